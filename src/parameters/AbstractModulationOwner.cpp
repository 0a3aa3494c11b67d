#include "parameters/AbstractModulationOwner.h"

int AbstractModulationOwner::highestSlotWithTarget(int target) {
    if (target < 0) return -1;
    for (int s = getNumSlots() - 1; s >= 0; --s) {
        if (getSlotTarget(s) == target) return s;
    }
    return -1;
}

int AbstractModulationOwner::highestSlotWithSource(int source) {
    if (source < 0) return -1;
    for (int s = getNumSlots() - 1; s >= 0; --s) {
        if (getSlotSource(s) == source) return s;
    }
    return -1;
}

void AbstractModulationOwner::deleteSlotsWithSource(int source) {
    std::vector<int> removed;
    // Deleting clears the slot, so each round finds one fewer; the bound only guards against an
    // implementation that fails to clear.
    for (int round = getNumSlots(); round >= 0; --round) {
        const int slot = highestSlotWithSource(source);
        if (slot < 0) break;
        removed.clear();
        deleteSlot(slot, removed);
    }
}

void AbstractModulationOwner::shiftSlotTargets(int first, int end, int delta) {
    if (first >= end || delta == 0) return;
    for (int s = 0; s < getNumSlots(); ++s) {
        const int t = getSlotTarget(s);
        if (t >= first && t < end) setSlotTarget(s, t + delta);
    }
}

void AbstractModulationOwner::shiftSlotSources(int first, int end, int delta) {
    if (first >= end || delta == 0) return;
    for (int s = 0; s < getNumSlots(); ++s) {
        const int source = getSlotSource(s);
        if (source >= first && source < end) setSlotSource(s, source + delta);
    }
}
