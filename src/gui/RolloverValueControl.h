#pragma once
#include "gui/ValueControl.h"

namespace gui {

// A value control that highlights while the mouse is over it or dragging it.
class RolloverValueControl : public ValueControl {
public:
    using ValueControl::ValueControl;

    bool isHighlighted() const { return hovered_ || isInGesture(); }

    void mouseEnter(const MouseEvent&) override;
    void mouseLeave() override;
    void mouseUp(const MouseEvent& event) override;

private:
    bool hovered_ = false;
};

}  // namespace gui
