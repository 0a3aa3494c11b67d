#include "modulation/ModMatrixParamController.h"

#include <algorithm>
#include <functional>

#include "modulation/ModulationSlotParameterSetList.h"

namespace {

// Opens one edit for the lifetime of the object.
class EditScope {
public:
    explicit EditScope(ModulationMatrix::Controller& controller) : controller_(controller) { controller_.beginEdit(); }
    ~EditScope() { controller_.endEdit(); }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

private:
    ModulationMatrix::Controller& controller_;
};

}  // namespace

ModMatrixParamController::ModMatrixParamController(ModulationMatrix& matrix, ModulationSlotParameterSetList& slots)
    : Controller(matrix), slots_(slots) {
    defaultLevel_ = ModulationSlotParameterSet::kDefaultLevel;
}

bool ModMatrixParamController::isSlotIndex(int slot) const {
    return slot >= 0 && slot < getNumSlots() && slot < slots_.getNumSets();
}

void ModMatrixParamController::beginEdit() { slots_.getOwner()->beginUpdate(); }

void ModMatrixParamController::endEdit() { slots_.getOwner()->endUpdate(); }

int ModMatrixParamController::findFreeSlot() {
    const int active = slots_.getActiveCount();
    if (active < 0 || active >= std::min(getNumSlots(), slots_.getMaxActive())) return -1;
    slots_.getNumActive().setValue(static_cast<float>(active + 1), 0);
    return active;
}

bool ModMatrixParamController::getBypass(int slot) {
    return isSlotIndex(slot) && slots_.getSlot(slot)->bypassed.getStoredValue();
}

bool ModMatrixParamController::getInvert(int slot) {
    return isSlotIndex(slot) && slots_.getSlot(slot)->inverted.getStoredValue();
}

float ModMatrixParamController::getLevel(int slot) {
    return isSlotIndex(slot) ? slots_.getSlot(slot)->getLevel() : 0.0f;
}

int ModMatrixParamController::getSource(int slot) {
    return isSlotIndex(slot) ? slots_.getSlot(slot)->source.getSourceIndex() : -1;
}

int ModMatrixParamController::getTarget(int slot) {
    return isSlotIndex(slot) ? slots_.getSlot(slot)->target.getTargetIndex() : -1;
}

void ModMatrixParamController::setBypass(int slot, bool bypass) {
    if (isSlotIndex(slot)) slots_.getSlot(slot)->bypassed.setValue(bypass ? 1.0f : 0.0f, 0);
}

void ModMatrixParamController::setInvert(int slot, bool invert) {
    if (isSlotIndex(slot)) slots_.getSlot(slot)->inverted.setValue(invert ? 1.0f : 0.0f, 0);
}

void ModMatrixParamController::setLevel(int slot, float level) {
    if (isSlotIndex(slot)) slots_.getSlot(slot)->level.setPlainValue(level, 0);
}

void ModMatrixParamController::setSource(int slot, int source) {
    if (isSlotIndex(slot)) slots_.getSlot(slot)->source.setSourceIndex(source, 0);
}

void ModMatrixParamController::setTarget(int slot, int target) {
    if (isSlotIndex(slot)) slots_.getSlot(slot)->target.setTargetIndex(target, 0);
}

int ModMatrixParamController::connect(int source, int target) {
    int slot = -1;
    {
        EditScope edit(*this);
        slot = findFreeSlot();
        if (slot >= 0) {
            setSource(slot, source);
            setTarget(slot, target);
            setLevel(slot, defaultLevel_);
            setBypass(slot, false);
            setInvert(slot, false);
        }
    }
    if (slot < 0 && listener_) listener_->showMessage(kNoFreeSlotsMessage);
    return slot;
}

void ModMatrixParamController::clearSlot(int slot, std::vector<int>& cleared) {
    cleared.clear();
    if (!isSlotIndex(slot)) return;
    EditScope edit(*this);
    cleared = slots_.clearSlot(slot);
}

std::vector<int> ModMatrixParamController::removeSource(int source) {
    std::vector<int> removed;
    if (!matrix_.isSource(source)) return removed;
    EditScope edit(*this);
    std::vector<int> cleared;
    std::vector<int> found;
    auto clearAll = [&](const std::vector<int>& slots) {
        for (int s : slots) {
            // A slot cleared earlier in this loop (as a dependent) has no source or target left.
            if (getSource(s) < 0 && getTarget(s) < 0) continue;
            std::vector<int> now = slots_.clearSlot(s);
            cleared.insert(cleared.end(), now.begin(), now.end());
        }
    };
    slotsWithSource(source, found);
    clearAll(found);
    for (int t : matrix_.getSourceOwnTargets(source)) {
        slotsWithTarget(t, found);
        clearAll(found);
    }
    std::sort(cleared.begin(), cleared.end(), std::greater<int>());
    cleared.erase(std::unique(cleared.begin(), cleared.end()), cleared.end());
    for (int s : cleared) {
        // A cleared slot beyond the active ones stays where it is; it is empty now.
        if (s >= slots_.getActiveCount()) continue;
        slots_.removeItem(s);
        removed.push_back(s);
    }
    return removed;
}

void ModMatrixParamController::removeSlot(int slot) {
    if (!isSlotIndex(slot)) return;
    EditScope edit(*this);
    slots_.removeItem(slot);
}

void ModMatrixParamController::swapSlots(int a, int b) {
    if (!isSlotIndex(a) || !isSlotIndex(b) || a == b) return;
    EditScope edit(*this);
    ModulationSlotParameterSet& first = *slots_.getSlot(a);
    ModulationSlotParameterSet& second = *slots_.getSlot(b);
    // Exchange the raw parameter values: exact, whatever the curves and value maps.
    for (size_t m = 0; m < first.getMembers().size() && m < second.getMembers().size(); ++m) {
        AbstractPluginParameter* p = first.getMembers()[m];
        AbstractPluginParameter* q = second.getMembers()[m];
        const float pv = p->getValue();
        const float qv = q->getValue();
        p->setValue(qv, 0);
        q->setValue(pv, 0);
    }
    // Level modulation follows its slot.
    const int levelA = matrix_.getLevelTarget(a);
    const int levelB = matrix_.getLevelTarget(b);
    std::vector<int> onA, onB;
    slotsWithTarget(levelA, onA);
    slotsWithTarget(levelB, onB);
    for (int s : onA) setTarget(s, levelB);
    for (int s : onB) setTarget(s, levelA);
}

bool ModMatrixParamController::sortsBefore(int a, int b) {
    const int sourceA = getSource(a), sourceB = getSource(b);
    if ((sourceA >= 0) != (sourceB >= 0)) return sourceA >= 0;
    if (sourceA != sourceB) return sourceA < sourceB;
    const int targetA = getTarget(a), targetB = getTarget(b);
    if ((targetA >= 0) != (targetB >= 0)) return targetA >= 0;
    return targetA >= 0 && targetA < targetB;
}

bool ModMatrixParamController::sortSlots(int* selected) {
    bool moved = false;
    const int n = std::min(getNumSlots(), slots_.getNumSets());
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && sortsBefore(j, j - 1); --j) {
            if (!moved) {
                beginEdit();
                moved = true;
            }
            swapSlots(j - 1, j);
            if (selected) {
                if (*selected == j) {
                    *selected = j - 1;
                } else if (*selected == j - 1) {
                    *selected = j;
                }
            }
        }
    }
    if (moved) endEdit();
    return moved;
}
