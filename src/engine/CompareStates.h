#pragma once
#include <memory>

#include "engine/GenericPlugin.h"

// The A and B slots for comparing two settings. The current slot's snapshot is refreshed whenever
// the user leaves it, so switching A -> B -> A returns A's latest edits.
//
// The editor calls initialise() when it opens; switchSlot() and copyToOther() are its A/B and Copy
// buttons. Editor thread only.
class GenericPlugin::CompareStates {
public:
    static constexpr int kSlotA = 0;
    static constexpr int kSlotB = 1;

    explicit CompareStates(GenericPlugin& plugin);
    virtual ~CompareStates();
    CompareStates(const CompareStates&) = delete;
    CompareStates& operator=(const CompareStates&) = delete;

    // Once: both slots start with the current settings. Later calls do nothing, so reopening the
    // editor keeps what the slots hold.
    void initialise();
    // Makes slot current after saving the current settings into the slot being left. The caller
    // restores the new slot; another slot than 0 or 1 is ignored.
    void select(int slot);
    // Saves the current settings into the other slot, so both hold the same.
    void copyToOther();
    // The A/B button: the other slot becomes current and its settings are restored; the switch is
    // recorded as an undo step.
    void switchSlot();
    // The Copy button.
    void copy() { copyToOther(); }

    int getCurrentSlot() const { return currentSlot_; }
    bool isModifiedSinceCopy() const { return modifiedSinceCopy_; }
    void setModifiedSinceCopy(bool modified) { modifiedSinceCopy_ = modified; }
    bool isInitialised() const { return initialised_; }
    // The snapshot a slot holds (null for another slot than 0 or 1).
    const Snapshot* slot(int index) const;

private:
    GenericPlugin& plugin_;
    int currentSlot_ = kSlotA;
    bool modifiedSinceCopy_ = false;
    bool initialised_ = false;
    std::unique_ptr<StateList> states_;
};
