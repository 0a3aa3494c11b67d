#include "modulation/ModulationSlotParameterSetList.h"

#include <algorithm>
#include <functional>
#include <memory>

ModulationSlotParameterSetList::ModulationSlotParameterSetList(GenericParameterOwner* owner,
                                                               AbstractModulationOwner* modulation)
    : TargetParameterSetList<ModulationSlotParameterSet>(owner, "Slots", 0, kNumSlots, 0, modulation,
                                                         AbstractModulationOwner::kFirstSlotLevelTarget, 1) {
    for (int s = 0; s < kNumSlots; ++s) add(std::make_unique<ModulationSlotParameterSet>(owner, modulation, s));
}

void ModulationSlotParameterSetList::setListener(ModulationSlotParameterSet::Listener* listener) {
    for (int s = 0; s < getNumSets(); ++s) getSet(s)->setListener(listener);
}

std::vector<int> ModulationSlotParameterSetList::clearSlot(int s) {
    std::vector<int> cleared;
    if (!getSet(s)) return cleared;
    getOwner()->beginUpdate();
    std::vector<int> work{s};
    for (size_t i = 0; i < work.size(); ++i) {
        const int c = work[i];
        getSet(c)->clear();
        cleared.push_back(c);
        const int levelTarget = getFirstTarget() + c;
        for (int u = 0; u < getNumSets(); ++u) {
            if (getSet(u)->target.getTargetIndex() == levelTarget && std::find(work.begin(), work.end(), u) == work.end()) {
                work.push_back(u);
            }
        }
    }
    getOwner()->endUpdate();
    return cleared;
}

void ModulationSlotParameterSetList::deleteSlot(int s, std::vector<int>& removed) {
    if (!getSet(s)) return;
    getOwner()->beginUpdate();
    std::vector<int> cleared = clearSlot(s);
    std::sort(cleared.begin(), cleared.end(), std::greater<int>());
    for (int r : cleared) {
        // A cleared slot beyond the active ones stays where it is; it is empty now.
        if (r >= getActiveCount()) continue;
        removeItem(r);
        removed.push_back(r);
    }
    getOwner()->endUpdate();
}
