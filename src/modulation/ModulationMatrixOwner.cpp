#include "modulation/ModulationMatrixOwner.h"

#include "modulation/ModulationSlotParameterSetList.h"

ModulationMatrixOwner::ModulationMatrixOwner() { targets_.fill(nullptr); }

bool ModulationMatrixOwner::registerTargetParameter(int target, ModulationTargetParameter* parameter) {
    if (!parameter || target < 0 || target >= kNumTargets) return false;
    ModulationTargetParameter*& entry = targets_[static_cast<size_t>(target)];
    if (entry) return false;
    entry = parameter;
    return true;
}

void ModulationMatrixOwner::unregisterTargetParameter(int target, ModulationTargetParameter* parameter) {
    if (target < 0 || target >= kNumTargets) return;
    ModulationTargetParameter*& entry = targets_[static_cast<size_t>(target)];
    if (entry == parameter) entry = nullptr;
}

ModulationTargetParameter* ModulationMatrixOwner::getTargetParameter(int target) {
    if (target < 0 || target >= kNumTargets) return nullptr;
    return targets_[static_cast<size_t>(target)];
}

int ModulationMatrixOwner::getNumSlots() { return slots_ ? slots_->getNumSets() : 0; }

int ModulationMatrixOwner::getSlotSource(int slot) {
    ModulationSlotParameterSet* set = slots_ ? slots_->getSlot(slot) : nullptr;
    return set ? set->source.getSourceIndex() : -1;
}

int ModulationMatrixOwner::getSlotTarget(int slot) {
    ModulationSlotParameterSet* set = slots_ ? slots_->getSlot(slot) : nullptr;
    return set ? set->target.getTargetIndex() : -1;
}

void ModulationMatrixOwner::setSlotSource(int slot, int source) {
    if (ModulationSlotParameterSet* set = slots_ ? slots_->getSlot(slot) : nullptr) set->source.setSourceIndex(source, 0);
}

void ModulationMatrixOwner::setSlotTarget(int slot, int target) {
    if (ModulationSlotParameterSet* set = slots_ ? slots_->getSlot(slot) : nullptr) set->target.setTargetIndex(target, 0);
}

void ModulationMatrixOwner::deleteSlot(int slot, std::vector<int>& removed) {
    if (slots_) slots_->deleteSlot(slot, removed);
}
