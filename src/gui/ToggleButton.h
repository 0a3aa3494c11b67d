#pragma once
#include <string>

#include "gui/RolloverValueControl.h"

namespace gui {

// A two-state switch with a caption: a click flips it, the wheel steps it.
class ToggleButton : public RolloverValueControl {
public:
    explicit ToggleButton(std::string text, bool on = false);

    bool isOn() const { return getPosition() != 0; }
    void setOn(bool on) { setPosition(on ? 1 : 0); }
    const std::string& getText() const { return text_; }

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent&) override {}
    void mouseUp(const MouseEvent& event) override;

protected:
    void paint(Canvas& canvas) override;

private:
    std::string text_;
};

}  // namespace gui
