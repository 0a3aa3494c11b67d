#include "modulation/ModulationMatrixOwner.h"

#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"
#include "modulation/ModulationSlotParameterSetList.h"

ModulationMatrixOwner::ModulationMatrixOwner() { targets_.fill(nullptr); }

ModulationMatrixOwner::~ModulationMatrixOwner() = default;

void ModulationMatrixOwner::setSlotList(ModulationSlotParameterSetList* slots) {
    if (slots_ && slots_ != slots) slots_->setListener(nullptr);
    slots_ = slots;
    if (slots_) slots_->setListener(this);
}

ModulationMatrix& ModulationMatrixOwner::createModulationMatrix(wave::Environment& environment) {
    if (!matrix_) matrix_ = ModulationLayout::create(environment);
    return *matrix_;
}

void ModulationMatrixOwner::syncModulationMatrix() {
    if (!matrix_) return;
    for (int t = 0; t < kNumTargets; ++t) {
        if (ModulationTargetParameter* parameter = targets_[static_cast<size_t>(t)]) {
            matrix_->setTargetValue(t, parameter->getPlainValue(), 0.0f);
        }
    }
    if (!slots_) return;
    ModulationMatrix::InternalController& controller = matrix_->getController();
    for (int s = 0; s < slots_->getNumSets() && s < matrix_->getNumSlots(); ++s) {
        ModulationSlotParameterSet& set = *slots_->getSlot(s);
        controller.setSource(s, set.source.getSourceIndex());
        controller.setTarget(s, set.target.getTargetIndex());
        controller.setBypass(s, set.bypassed.getStoredValue());
        controller.setInvert(s, set.inverted.getStoredValue());
    }
}

void ModulationMatrixOwner::targetValueApplied(int target, float plainValue) {
    if (matrix_) matrix_->setTargetValue(target, plainValue);
}

void ModulationMatrixOwner::slotValueApplied(int slot, ModulationSlotParameterSet::Member member, int value) {
    if (!matrix_) return;
    ModulationMatrix::InternalController& controller = matrix_->getController();
    switch (member) {
        case ModulationSlotParameterSet::kSource:
            controller.setSource(slot, value);
            break;
        case ModulationSlotParameterSet::kTarget:
            controller.setTarget(slot, value);
            break;
        case ModulationSlotParameterSet::kBypassed:
            controller.setBypass(slot, value != 0);
            break;
        case ModulationSlotParameterSet::kInverted:
            controller.setInvert(slot, value != 0);
            break;
        case ModulationSlotParameterSet::kLevel:
            break;  // the level travels as a target value
    }
}

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
