#include "gui/RolloverValueControl.h"

namespace gui {

void RolloverValueControl::mouseEnter(const MouseEvent&) {
    hovered_ = true;
    invalidate();
}

void RolloverValueControl::mouseLeave() {
    hovered_ = false;
    invalidate();
}

void RolloverValueControl::mouseUp(const MouseEvent& event) {
    ValueControl::mouseUp(event);
    hovered_ = getBounds().contains(event.position);
    invalidate();
}

}  // namespace gui
