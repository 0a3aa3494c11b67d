#include "gui/ValueControl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gui/ComponentHost.h"
#include "gui/LinkGroup.h"
#include "gui/ModifierActions.h"

namespace gui {

ValueControl::ValueControl(int minimum, int maximum, int defaultPosition)
    : minimum_(std::min(minimum, maximum)), maximum_(std::max(minimum, maximum)), default_(0), position_(0) {
    default_ = clamp(defaultPosition);
    position_ = default_;
    mapper_.resolution = std::max(1, maximum_ - minimum_);
}

ValueControl::~ValueControl() {
    if (group_) group_->remove(*this);
}

void ValueControl::setRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    mapper_.resolution = std::max(1, maximum_ - minimum_);
    default_ = clamp(default_);
    setPosition(position_);
}

int ValueControl::clamp(int position) const { return std::clamp(position, minimum_, maximum_); }

int ValueControl::setPosition(int position) {
    const int limited = clamp(position);
    const int change = limited - position_;
    if (change == 0) return 0;
    position_ = limited;
    invalidate();
    positionDidChange();
    if (listener_) listener_->positionChanged(*this);
    if (onChange) onChange(*this);
    return change;
}

double ValueControl::getFraction() const {
    if (toFraction_) return toFraction_(position_);
    return maximum_ == minimum_ ? 0.0 : double(position_ - minimum_) / (maximum_ - minimum_);
}

int ValueControl::setFraction(double fraction) {
    fraction = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
    if (fromFraction_) return setPosition(fromFraction_(fraction));
    return setPosition(minimum_ + int(std::lround(fraction * (maximum_ - minimum_))));
}

void ValueControl::setFractionFunctions(std::function<double(int)> toFraction, std::function<int(double)> fromFraction) {
    toFraction_ = std::move(toFraction);
    fromFraction_ = std::move(fromFraction);
}

void ValueControl::setLinkGroup(LinkGroup* group) {
    if (group_ == group) return;
    if (group_) group_->remove(*this);
    if (group) group->add(*this);
}

int ValueControl::changeBy(int steps) {
    if (steps == 0) return 0;
    const double before = getFraction();
    const int change = setPosition(position_ + steps);
    int largest = std::abs(change);
    if (linkedGesture_ && group_) {
        // The requested change, so followers keep moving even when this control hits its limit.
        const double requested = toFraction_ ? toFraction_(position_ - change + steps) - before
                                             : double(steps) / std::max(1, maximum_ - minimum_);
        largest = std::max(largest, group_->follow(*this, requested));
    }
    return largest;
}

void ValueControl::beginGesture(int modifiers) {
    if (inGesture_) return;
    inGesture_ = true;
    linkedGesture_ = group_ && (ModifierActions::lookup(modifiers) & ModifierActions::kLinked);
    if (linkedGesture_) group_->beginGesture(*this);
    if (listener_) listener_->gestureBegan(*this);
}

void ValueControl::endGesture() {
    if (!inGesture_) return;
    inGesture_ = false;
    linkedGesture_ = false;
    dragging_ = false;
    if (listener_) listener_->gestureEnded(*this);
}

bool ValueControl::resetIfAsked(int modifiers) {
    if (!(ModifierActions::lookup(modifiers) & ModifierActions::kReset)) return false;
    beginGesture(modifiers);
    setPosition(default_);
    endGesture();
    return true;
}

int ValueControl::step(double notches, int modifiers) {
    const double amount = mapper_.resolution >= 100 ? notches * kWheelFraction : notches;
    const int steps = mapper_.mapWheel(amount, modifiers);
    if (steps == 0) return 0;
    const bool wasInGesture = inGesture_;
    beginGesture(modifiers);
    const int change = changeBy(steps);
    if (!wasInGesture) endGesture();
    return change;
}

bool ValueControl::mouseDown(const MouseEvent& event) {
    if (event.button != MouseEvent::kLeft) return false;
    if (resetIfAsked(event.modifiers)) return true;
    beginGesture(event.modifiers);
    dragging_ = true;
    mapper_.press(event.position);
    return true;
}

void ValueControl::mouseMove(const MouseEvent& event) {
    if (!dragging_) return;
    changeBy(mapper_.move(event.position, event.modifiers));
}

void ValueControl::mouseUp(const MouseEvent&) {
    dragging_ = false;
    endGesture();
}

bool ValueControl::mouseWheel(const MouseEvent& event) {
    step(event.wheel, event.modifiers);
    return true;
}

void ValueControl::windowDeactivated() { endGesture(); }

}  // namespace gui
