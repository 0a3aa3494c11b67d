#pragma once
#include <functional>
#include <string>

#include "gui/Component.h"
#include "gui/Image.h"

namespace gui {

// A push button with a caption and/or an icon; onClick runs when a press is released over it.
class Button : public Component {
public:
    explicit Button(std::string text = {}, Image icon = {});

    std::function<void()> onClick;
    // The default button of a dialog is drawn in the accent colour.
    void setDefault(bool isDefault) { default_ = isDefault; invalidate(); }
    const std::string& getText() const { return text_; }

    bool mouseDown(const MouseEvent& event) override;
    void mouseUp(const MouseEvent& event) override;
    void mouseEnter(const MouseEvent&) override;
    void mouseLeave() override;

protected:
    void paint(Canvas& canvas) override;

private:
    std::string text_;
    Image icon_;
    bool hovered_ = false;
    bool pressed_ = false;
    bool default_ = false;
};

}  // namespace gui
