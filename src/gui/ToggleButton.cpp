#include "gui/ToggleButton.h"

#include "gui/Canvas.h"
#include "gui/Style.h"

namespace gui {

ToggleButton::ToggleButton(std::string text, bool on) : RolloverValueControl(0, 1, on ? 1 : 0), text_(std::move(text)) {}

bool ToggleButton::mouseDown(const MouseEvent& event) {
    if (event.button != MouseEvent::kLeft) return false;
    if (resetIfAsked(event.modifiers)) return true;
    beginGesture(event.modifiers);
    invalidate();
    return true;
}

void ToggleButton::mouseUp(const MouseEvent& event) {
    if (isInGesture() && getBounds().contains(event.position)) changeBy(isOn() ? -1 : 1);
    RolloverValueControl::mouseUp(event);
}

void ToggleButton::paint(Canvas& canvas) {
    const Rect& b = getBounds();
    const bool on = isOn();
    const Colour face = on ? style::kAccent : style::kPanelRaised;
    canvas.fillRoundedRect(b, style::kCornerRadius, isEnabled() ? face : style::kPanel);
    if (isHighlighted()) canvas.fillRoundedRect(b, style::kCornerRadius, isInGesture() ? style::kPressed : style::kHover);
    canvas.strokeRoundedRect(b, style::kCornerRadius, on ? style::kAccentBright : style::kPanelBorder);
    const Colour text = !isEnabled() ? style::kTextDisabled : on ? style::kTextOnAccent : style::kText;
    canvas.drawText(text_, b.reduced(4), text, Font{style::kFontSize, on}, Align::Centre);
}

}  // namespace gui
