#pragma once
#include <array>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "modulation/ModulationSlotParameterSet.h"
#include "parameters/AbstractModulationOwner.h"

class ModulationMatrix;
class ModulationSlotParameterSetList;

// The product's side of the modulation matrix: the matrix itself, the table of target parameters,
// indexed by target, and the modulation slots as the "Slots" parameter list stores them. The
// product derives from it, hands it its slot list once the list exists (until then there are no
// slots) and creates the matrix once its environment exists.
//
// Parameter changes drive the matrix on the audio thread: a target parameter's plain value becomes
// its target's ramped base value, and the slot parameters' source, target, bypass and invert
// values run the matrix's slot operations. Before the matrix exists they change nothing.
class ModulationMatrixOwner : public AbstractModulationOwner, public ModulationSlotParameterSet::Listener {
public:
    ModulationMatrixOwner();
    ~ModulationMatrixOwner() override;
    ModulationMatrixOwner(const ModulationMatrixOwner&) = delete;
    ModulationMatrixOwner& operator=(const ModulationMatrixOwner&) = delete;

    bool registerTargetParameter(int target, ModulationTargetParameter* parameter) override;
    void unregisterTargetParameter(int target, ModulationTargetParameter* parameter) override;
    ModulationTargetParameter* getTargetParameter(int target) override;

    // The slot list (not owned); nullptr detaches it. The owner becomes the slots' listener.
    void setSlotList(ModulationSlotParameterSetList* slots);
    ModulationSlotParameterSetList* getSlotList() const { return slots_; }

    int getNumSlots() override;
    int getSlotSource(int slot) override;
    int getSlotTarget(int slot) override;
    void setSlotSource(int slot, int source) override;
    void setSlotTarget(int slot, int target) override;
    void deleteSlot(int slot, std::vector<int>& removed) override;

    // Set-up: creates the matrix with the product layout (owned; once). Producers and target
    // controllers are the product's business; call syncModulationMatrix() once the parameters are
    // configured.
    ModulationMatrix& createModulationMatrix(wave::Environment& environment);
    ModulationMatrix* getModulationMatrix() const { return matrix_.get(); }
    // Set-up (or a reset with no block running): hands every target parameter's plain value and
    // every slot's parameters to the matrix, values without ramps.
    void syncModulationMatrix();

    // Audio thread: forwards to the matrix.
    void targetValueApplied(int target, float plainValue) override;
    void slotValueApplied(int slot, ModulationSlotParameterSet::Member member, int value) override;

private:
    std::unique_ptr<ModulationMatrix> matrix_;
    std::array<ModulationTargetParameter*, kNumTargets> targets_;
    ModulationSlotParameterSetList* slots_ = nullptr;
};
