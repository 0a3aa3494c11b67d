#pragma once
#include <memory>

#include "gui/Rect.h"
#include "platform/IntervalTimer.h"

namespace gui {

// Turns mouse drags, wheel notches and steps into position steps of a value control, alike for
// every control: slow drags are finer than fast ones, a held fine modifier divides by ten, a small
// jitter right after a press is ignored, and fractions of a step are carried to the next event.
class ValueDragMapper {
public:
    // The stopwatch measures the time between mapped events; null uses the system clock.
    explicit ValueDragMapper(std::unique_ptr<IntervalTimer> stopwatch = nullptr);

    bool accelerationEnabled = true;
    double fineFactor = 0.1;
    int dragSpan = 200;     // pixels for the whole range
    int resolution = 4096;  // steps over the whole range
    // Moves up to this far (both directions) right after a press are ignored...
    static constexpr int kPressSlop = 4;
    // ...while the press is younger than this (the double-click time).
    int doubleClickMs;

    // A press at a position starts a drag.
    void press(Point position);
    // The pointer moved to `position` with modifiers held: returns the steps to apply (upwards and
    // rightwards positive for a vertical mapper: only the vertical delta counts).
    int move(Point position, int modifiers);
    // One mapped pixel delta (positive upwards); the core of move().
    int mapPixels(double pixels, int modifiers);
    // Wheel notches or keyboard steps (amount x; see the control for the scale).
    int mapWheel(double amount, int modifiers);

    bool isInSlop() const { return inSlop_; }
    Point getLastPress() const { return lastPress_; }

private:
    std::unique_ptr<IntervalTimer> stopwatch_;
    double carry_ = 0;
    Point lastPress_{-1, -1};
    Point lastPosition_{-1, -1};
    bool inSlop_ = false;
    int lastWheelDirection_ = 0;
    double wheelCarry_ = 0;
};

}  // namespace gui
