#include "parameters/TargetParameterSetList.h"

#include <vector>

void TargetListRemoval::removeItem(AbstractParameterSetList& list, AbstractModulationOwner* modulation,
                                   int firstTarget, int targetsPerItem, bool itemsAreSlots, int k) {
    const int active = list.getActiveCount();
    if (k < 0 || k >= active || active <= list.getMinActive()) return;
    GenericParameterOwner* owner = list.getOwner();
    owner->beginUpdate();

    bool itemAlreadyRemoved = false;
    if (modulation && targetsPerItem > 0) {
        std::vector<int> removed;
        for (int j = 0; j < targetsPerItem && !itemAlreadyRemoved; ++j) {
            // Deleting clears the slot, so each round finds one fewer; the bound only guards
            // against an owner that fails to clear.
            for (int round = modulation->getNumSlots(); round >= 0 && !itemAlreadyRemoved; --round) {
                // Recomputed every round: in the slot list, deleting slots in front of item k
                // moves the item (and the slots on its level follow it).
                const int slot = modulation->highestSlotWithTarget(firstTarget + targetsPerItem * k + j);
                if (slot < 0) break;
                removed.clear();
                modulation->deleteSlot(slot, removed);
                if (!itemsAreSlots) continue;
                for (int r : removed) {
                    if (r < k) {
                        --k;
                    } else if (r == k) {
                        // The slot modulated its own level and was deleted with the others: the
                        // item is gone already, together with its retargeting.
                        itemAlreadyRemoved = true;
                        break;
                    }
                }
            }
        }
    }

    if (!itemAlreadyRemoved) {
        const int before = list.getActiveCount();
        list.AbstractParameterSetList::removeItem(k);
        if (modulation && targetsPerItem > 0 && list.getActiveCount() < before) {
            modulation->shiftSlotTargets(firstTarget + targetsPerItem * (k + 1), firstTarget + targetsPerItem * before,
                                         -targetsPerItem);
        }
    }
    owner->endUpdate();
}
