#pragma once
#include <string>
#include <vector>

#include "modulation/ModulationMatrix.h"

class ModulationSlotParameterSetList;

// The slot operations of the modulation editor, performed on the slot parameters ("Slots" list):
// connect, clear (with the slots that modulate a cleared slot's level), remove a source, remove a
// slot from the list, sort and swap. Its setters write parameters; the parameters' change handlers
// then drive the matrix, so every operation is automated, saved and undone like any edit. Compound
// operations run as one edit (one update batch on the plug-in, so one undo step).
//
// Threads: the editor's (or a preset's) parameter thread. Created on demand, one per editor.
class ModMatrixParamController final : public ModulationMatrix::Controller {
public:
    static constexpr const char* kNoFreeSlotsMessage =
        "No free slots are available. Clear one or more slots and try again.";

    // Shows messages to the user (the editor's message box).
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void showMessage(const std::string& text) = 0;
    };

    // Both must outlive the controller.
    ModMatrixParamController(ModulationMatrix& matrix, ModulationSlotParameterSetList& slots);

    void setListener(Listener* listener) { listener_ = listener; }

    // Opens and closes one edit on the plug-in; edits nest.
    void beginEdit() override;
    void endEdit() override;
    // The next slot after the active ones: returns the active count c and makes c + 1 slots
    // active; -1 when all slots are in use.
    int findFreeSlot() override;
    bool getBypass(int slot) override;
    bool getInvert(int slot) override;
    // The plain level (0..1).
    float getLevel(int slot) override;
    int getSource(int slot) override;
    int getTarget(int slot) override;
    void setBypass(int slot, bool bypass) override;
    void setInvert(int slot, bool invert) override;
    void setLevel(int slot, float level) override;
    void setSource(int slot, int source) override;
    void setTarget(int slot, int target) override;

    // Connects source to target in a free slot with the default level (0.16), bypass and invert
    // off. Returns the slot, or -1 after telling the listener that no slot is free.
    int connect(int source, int target);
    // Clears the slot and, in turn, every slot that modulates the level of a cleared slot;
    // `cleared` gets the cleared slots in the order they were cleared.
    void clearSlot(int slot, std::vector<int>& cleared);
    // Clears every slot that uses the source and every slot that modulates one of its parameters
    // (each with its dependents), then takes the cleared slots out of the list so the others
    // close up. Returns the removed slot indices, highest first.
    std::vector<int> removeSource(int source);
    // Takes an active slot out of the list ("Remove Slot"): the slots on its level are deleted, the
    // later slots move down and level modulation follows the moved slots.
    void removeSlot(int slot);
    // Exchanges two slots; slots that modulate the level of either follow it.
    void swapSlots(int a, int b);
    // Orders the slots by source (none last), then by target (none last), keeping the order of
    // equal slots. `selected` (may be null) follows its slot. Returns whether anything moved.
    bool sortSlots(int* selected = nullptr);

    ModulationSlotParameterSetList& getSlots() const { return slots_; }

private:
    bool isSlotIndex(int slot) const;
    // True when slot a sorts before slot b.
    bool sortsBefore(int a, int b);

    ModulationSlotParameterSetList& slots_;
    Listener* listener_ = nullptr;
};
