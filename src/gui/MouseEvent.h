#pragma once
#include "gui/Rect.h"

namespace gui {

struct MouseEvent {
    enum Button { kNone = 0, kLeft = 1, kMiddle = 2, kRight = 3 };

    Point position;   // window pixels (logical)
    int modifiers = 0;  // modifiers::kShift | kAlt | kCtrl | kFurther
    int button = kNone;  // the button pressed or released; kNone for moves and wheel
    int buttons = 0;  // buttons held, bit (button - 1)
    int clickCount = 1;
    double wheel = 0;  // notches, positive away from the user (up)
};

}  // namespace gui
