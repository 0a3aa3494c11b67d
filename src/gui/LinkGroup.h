#pragma once
#include <vector>

namespace gui {

class ValueControl;

// Controls adjusted together: during a linked gesture on one member, every other member moves by
// the same change of normalised position, each limited to its own range. The group does not own
// its members; a member leaves it when destroyed.
class LinkGroup {
public:
    LinkGroup() = default;
    ~LinkGroup();
    LinkGroup(const LinkGroup&) = delete;
    LinkGroup& operator=(const LinkGroup&) = delete;

    void add(ValueControl& control);
    void remove(ValueControl& control);
    const std::vector<ValueControl*>& getMembers() const { return members_; }

    // A linked gesture starts on `leader`: remembers where every other member stands.
    void beginGesture(const ValueControl& leader);
    // Moves the other members by `deltaFraction` more; returns the largest position change.
    int follow(const ValueControl& leader, double deltaFraction);

private:
    std::vector<ValueControl*> members_;
    // Normalised positions the followers are heading for, unrounded, so small steps are not lost.
    std::vector<double> targets_;
};

}  // namespace gui
