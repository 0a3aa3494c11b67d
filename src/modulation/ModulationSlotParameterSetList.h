#pragma once
#include <vector>

#include "modulation/ModulationSlotParameterSet.h"
#include "parameters/TargetParameterSetList.h"

// "Slots": the 24 modulation slot sets; "Num Active Slots" (0..24, default 0) is how many the
// editor shows. Slot s is the item whose target is its own level, 89 + s, so removing a slot
// deletes the slots that modulate its level and makes the slots that modulate a moved slot's
// level follow it.
class ModulationSlotParameterSetList : public TargetParameterSetList<ModulationSlotParameterSet> {
public:
    static constexpr int kNumSlots = AbstractModulationOwner::kNumSlots;

    ModulationSlotParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);

    ModulationSlotParameterSet* getSlot(int s) const { return getSet(s); }
    // Gives every slot set the listener (not owned).
    void setListener(ModulationSlotParameterSet::Listener* listener);

    // Clears slot s and, in turn, every slot that modulates the level of a cleared slot. Returns
    // the cleared slots in the order they were cleared (empty for an invalid index).
    std::vector<int> clearSlot(int s);
    // Clears slot s with its dependents (clearSlot), then takes the cleared slots that are active
    // out of the list, highest first, so that the later slots close up. Appends every removed
    // index, in order of removal, to `removed`.
    void deleteSlot(int s, std::vector<int>& removed);

protected:
    bool itemsAreSlots() const override { return true; }
};
