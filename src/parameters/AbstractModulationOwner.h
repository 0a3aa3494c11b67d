#pragma once
#include "parameters/ModulationNumbering.h"
#include <vector>

class ModulationTargetParameter;

// What the parameter layer needs from the owner of the modulation matrix: the table of target
// parameters (one per target index) and the modulation slots as the slot parameters store them,
// so that removing a list item can delete and retarget the slots that refer to it.
//
// All indices are matrix indices: sources 0..kNumSources-1, targets 0..kNumTargets-1, slots
// 0..getNumSlots()-1; -1 means none.
//
// Threads: registration during construction; the slot operations on the editor or preset thread
// (they write parameters); targetValueApplied on the audio thread.
class AbstractModulationOwner {
public:
    static constexpr int kNumSources = ModulationNumbering::kNumSources;
    static constexpr int kNumTargets = ModulationNumbering::kNumTargets;
    static constexpr int kNumSlots = ModulationNumbering::kNumSlots;
    // Slot s's level is target kFirstSlotLevelTarget + s.
    static constexpr int kFirstSlotLevelTarget = ModulationNumbering::slotLevelTarget(0);

    virtual ~AbstractModulationOwner() = default;

    // Target table. Registration refuses a null parameter, an index outside the table and an index
    // that is already taken (returns false and leaves the table alone).
    virtual bool registerTargetParameter(int target, ModulationTargetParameter* parameter) = 0;
    // Removes the entry only if it still holds this parameter.
    virtual void unregisterTargetParameter(int target, ModulationTargetParameter* parameter) = 0;
    virtual ModulationTargetParameter* getTargetParameter(int target) = 0;
    // Audio thread: a target parameter's plain value (curve and linear stage applied) took effect.
    virtual void targetValueApplied(int /*target*/, float /*plainValue*/) {}

    // Slots, as stored in the slot parameters (all slots, active or not).
    virtual int getNumSlots() = 0;
    virtual int getSlotSource(int slot) = 0;
    virtual int getSlotTarget(int slot) = 0;
    virtual void setSlotSource(int slot, int source) = 0;
    virtual void setSlotTarget(int slot, int target) = 0;
    // Clears the slot and, with it, every slot that modulates the level of a cleared slot (and so
    // on), then takes the cleared slots out of the slot list, highest first, so that the others
    // close up. Appends to `removed` every slot index taken out of the list, in the order of
    // removal, each as it was at the moment of its removal.
    virtual void deleteSlot(int slot, std::vector<int>& removed) = 0;

    // Helpers on top of the slot operations.
    // The highest slot whose target (or source) is the given index; -1 if there is none.
    int highestSlotWithTarget(int target);
    int highestSlotWithSource(int source);
    // Deletes every slot that uses the source (see deleteSlot).
    void deleteSlotsWithSource(int source);
    // Every slot whose target (source) lies in [first, end) gets it moved by `delta`.
    void shiftSlotTargets(int first, int end, int delta);
    void shiftSlotSources(int first, int end, int delta);
};
