#include "gui/ValueDragMapper.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gui/ModifierActions.h"
#include "gui/Style.h"
#include "platform/PosixIntervalTimer.h"

namespace gui {

ValueDragMapper::ValueDragMapper(std::unique_ptr<IntervalTimer> stopwatch)
    : doubleClickMs(style::kDoubleClickMs), stopwatch_(std::move(stopwatch)) {
    if (!stopwatch_) stopwatch_ = std::make_unique<PosixIntervalTimer>();
}

void ValueDragMapper::press(Point position) {
    lastPress_ = position;
    lastPosition_ = position;
    carry_ = 0;
    inSlop_ = true;
    stopwatch_->restart();
}

int ValueDragMapper::move(Point position, int modifiers) {
    if (inSlop_) {
        const bool small = std::abs(position.x - lastPress_.x) <= kPressSlop && std::abs(position.y - lastPress_.y) <= kPressSlop;
        if (small && stopwatch_->elapsedMs() < doubleClickMs) return 0;
        // The first larger move counts in full, measured from the press.
        inSlop_ = false;
    }
    const int delta = lastPosition_.y - position.y;
    lastPosition_ = position;
    if (delta == 0) return 0;
    return mapPixels(delta, modifiers);
}

int ValueDragMapper::mapPixels(double pixels, int modifiers) {
    const std::int64_t elapsed = stopwatch_->elapsedMs();
    stopwatch_->restart();
    double v = pixels;
    if (ModifierActions::lookup(modifiers) & ModifierActions::kFine) {
        v = pixels * fineFactor;
    } else if (accelerationEnabled && resolution >= 100) {
        const double speed = std::fabs(pixels) / double(std::max<std::int64_t>(elapsed, 20));
        const double factor = 0.1 + 0.9 * std::min(speed, 0.1) / 0.1;
        v = pixels * factor;
    }
    const double span = std::max(1.0, double(std::min<long>(dragSpan, 20L * resolution)));
    const double steps = resolution * v / span + carry_;
    const double whole = std::trunc(steps);
    carry_ = steps - whole;
    return int(whole);
}

int ValueDragMapper::mapWheel(double amount, int modifiers) {
    stopwatch_->restart();
    if (amount == 0 || !std::isfinite(amount)) return 0;
    if (resolution >= 100) {
        double steps = resolution * amount;
        if (ModifierActions::lookup(modifiers) & ModifierActions::kFine) steps *= fineFactor;
        steps += wheelCarry_;
        const double whole = std::trunc(steps);
        wheelCarry_ = steps - whole;
        return int(whole);
    }
    // Switch-like controls: about one step per notch, and a reversal always moves.
    const int direction = amount > 0 ? 1 : -1;
    const bool reversed = direction != lastWheelDirection_;
    if (reversed) wheelCarry_ = 0;
    lastWheelDirection_ = direction;
    const double steps = direction * std::sqrt(std::fabs(amount)) + wheelCarry_;
    int whole = int(std::trunc(steps));
    wheelCarry_ = steps - whole;
    if (reversed && whole == 0) {
        whole = direction;
        wheelCarry_ = 0;
    }
    return whole;
}

}  // namespace gui
