#pragma once
#include <array>
#include <vector>

#include "parameters/AbstractModulationOwner.h"

class ModulationSlotParameterSetList;

// The product's side of the modulation matrix: the table of target parameters, indexed by target,
// and the modulation slots as the "Slots" parameter list stores them. The product derives from it
// and hands it its slot list once the list exists; until then there are no slots.
class ModulationMatrixOwner : public AbstractModulationOwner {
public:
    ModulationMatrixOwner();
    ~ModulationMatrixOwner() override = default;
    ModulationMatrixOwner(const ModulationMatrixOwner&) = delete;
    ModulationMatrixOwner& operator=(const ModulationMatrixOwner&) = delete;

    bool registerTargetParameter(int target, ModulationTargetParameter* parameter) override;
    void unregisterTargetParameter(int target, ModulationTargetParameter* parameter) override;
    ModulationTargetParameter* getTargetParameter(int target) override;

    // The slot list (not owned); nullptr detaches it.
    void setSlotList(ModulationSlotParameterSetList* slots) { slots_ = slots; }
    ModulationSlotParameterSetList* getSlotList() const { return slots_; }

    int getNumSlots() override;
    int getSlotSource(int slot) override;
    int getSlotTarget(int slot) override;
    void setSlotSource(int slot, int source) override;
    void setSlotTarget(int slot, int target) override;
    void deleteSlot(int slot, std::vector<int>& removed) override;

private:
    std::array<ModulationTargetParameter*, kNumTargets> targets_;
    ModulationSlotParameterSetList* slots_ = nullptr;
};
