#pragma once
#include <string>

#include "parameters/AbstractModulationOwner.h"
#include "parameters/ParameterSetList.h"

// The type-independent part of removing an item from a list whose items carry modulation targets.
struct TargetListRemoval {
    // Deletes the slots that modulate item k's targets, removes the item through the base list
    // removal, then moves the slots of the later items down with them (see TargetParameterSetList).
    static void removeItem(AbstractParameterSetList& list, AbstractModulationOwner* modulation, int firstTarget,
                           int targetsPerItem, bool itemsAreSlots, int k);
};

// A list whose item k owns the modulation targets firstTarget + targetsPerItem * k + j,
// j = 0 .. targetsPerItem - 1.
//
// Removing item k (editor or preset thread, inside one update batch):
// 1. nothing for an inactive item or when the count is at its minimum;
// 2. every slot that modulates one of the item's targets is deleted (cleared, with every slot that
//    modulates its level, and taken out of the slot list);
// 3. the base removal moves the later items down;
// 4. every slot whose target belongs to one of the moved items follows it down by one item.
// So no slot is left modulating a parameter of the removed item, and no slot changes what it
// modulates. Slots of inactive items keep their targets (those items do not move).
template <class T>
class TargetParameterSetList : public ParameterSetList<T> {
public:
    TargetParameterSetList(GenericParameterOwner* owner, const std::string& name, int minActive, int maxActive,
                           int defaultActive, AbstractModulationOwner* modulation, int firstTarget, int targetsPerItem)
        : ParameterSetList<T>(owner, name, minActive, maxActive, defaultActive),
          firstTarget_(firstTarget),
          modulation_(modulation),
          targetsPerItem_(targetsPerItem) {}

    void removeItem(int k) override {
        TargetListRemoval::removeItem(*this, modulation_, firstTarget_, targetsPerItem_, itemsAreSlots(), k);
    }

    int getFirstTarget() const { return firstTarget_; }
    int getTargetsPerItem() const { return targetsPerItem_; }
    AbstractModulationOwner* getModulationOwner() const { return modulation_; }

protected:
    // True for the modulation slot list itself: deleting slots then also moves its own items.
    virtual bool itemsAreSlots() const { return false; }

private:
    int firstTarget_;
    AbstractModulationOwner* modulation_;
    int targetsPerItem_;
};
