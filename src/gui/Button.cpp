#include "gui/Button.h"

#include "gui/Canvas.h"
#include "gui/Style.h"

namespace gui {

Button::Button(std::string text, Image icon) : text_(std::move(text)), icon_(std::move(icon)) {}

bool Button::mouseDown(const MouseEvent& event) {
    if (event.button != MouseEvent::kLeft) return false;
    pressed_ = true;
    invalidate();
    return true;
}

void Button::mouseUp(const MouseEvent& event) {
    const bool click = pressed_ && getBounds().contains(event.position);
    pressed_ = false;
    invalidate();
    // Last: the handler may close the dialog this button lives in.
    if (click && onClick) onClick();
}

void Button::mouseEnter(const MouseEvent&) {
    hovered_ = true;
    invalidate();
}

void Button::mouseLeave() {
    hovered_ = false;
    invalidate();
}

void Button::paint(Canvas& canvas) {
    const Rect& b = getBounds();
    const Colour face = default_ ? style::kAccent : style::kPanelRaised;
    canvas.fillRoundedRect(b, style::kCornerRadius, isEnabled() ? face : style::kPanel);
    if (pressed_) {
        canvas.fillRoundedRect(b, style::kCornerRadius, style::kPressed);
    } else if (hovered_) {
        canvas.fillRoundedRect(b, style::kCornerRadius, style::kHover);
    }
    canvas.strokeRoundedRect(b, style::kCornerRadius, default_ ? style::kAccentBright : style::kPanelBorder);
    Rect content = b.reduced(4);
    if (!icon_.isEmpty()) {
        const int iconX = text_.empty() ? b.x + (b.width - icon_.getWidth()) / 2 : content.x + 2;
        canvas.drawImage(icon_, iconX, b.y + (b.height - icon_.getHeight()) / 2);
        if (!text_.empty()) content = {iconX + icon_.getWidth() + 4, content.y, content.right() - iconX - icon_.getWidth() - 4, content.height};
    }
    const Colour text = !isEnabled() ? style::kTextDisabled : default_ ? style::kTextOnAccent : style::kText;
    canvas.drawText(text_, content, text, Font{style::kFontSize, default_}, icon_.isEmpty() ? Align::Centre : Align::Left);
}

}  // namespace gui
