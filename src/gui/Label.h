#pragma once
#include <string>

#include "gui/Colour.h"
#include "gui/Component.h"
#include "gui/Font.h"
#include "gui/Style.h"

namespace gui {

// Static text in a rectangle; it takes no mouse presses.
class Label : public Component {
public:
    explicit Label(std::string text = {}, Font font = {}, Align align = Align::Left, Colour colour = style::kText)
        : text_(std::move(text)), font_(font), align_(align), colour_(colour) {}

    void setText(std::string text) {
        text_ = std::move(text);
        invalidate();
    }
    const std::string& getText() const { return text_; }

protected:
    void paint(Canvas& canvas) override;
    bool hitTest(Point) const override { return false; }

private:
    std::string text_;
    Font font_;
    Align align_;
    Colour colour_;
};

}  // namespace gui
