#include "gui/LinkGroup.h"

#include <algorithm>
#include <cstdlib>

#include "gui/ValueControl.h"

namespace gui {

LinkGroup::~LinkGroup() {
    for (ValueControl* member : members_) member->detachFromGroup();
}

void LinkGroup::add(ValueControl& control) {
    if (std::find(members_.begin(), members_.end(), &control) != members_.end()) return;
    members_.push_back(&control);
    targets_.push_back(control.getFraction());
    control.attachToGroup(this);
}

void LinkGroup::remove(ValueControl& control) {
    auto it = std::find(members_.begin(), members_.end(), &control);
    if (it == members_.end()) return;
    targets_.erase(targets_.begin() + (it - members_.begin()));
    members_.erase(it);
    control.detachFromGroup();
}

void LinkGroup::beginGesture(const ValueControl&) {
    for (std::size_t i = 0; i < members_.size(); ++i) targets_[i] = members_[i]->getFraction();
}

int LinkGroup::follow(const ValueControl& leader, double deltaFraction) {
    int largest = 0;
    for (std::size_t i = 0; i < members_.size(); ++i) {
        ValueControl* member = members_[i];
        if (member == &leader) continue;
        targets_[i] = std::clamp(targets_[i] + deltaFraction, 0.0, 1.0);
        largest = std::max(largest, std::abs(member->setFraction(targets_[i])));
    }
    return largest;
}

}  // namespace gui
