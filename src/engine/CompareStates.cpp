#include "engine/CompareStates.h"

#include "engine/StateList.h"
#include "engine/UndoHistory.h"

GenericPlugin::CompareStates::CompareStates(GenericPlugin& plugin)
    : plugin_(plugin), states_(std::make_unique<StateList>(plugin, 2)) {}

GenericPlugin::CompareStates::~CompareStates() = default;

void GenericPlugin::CompareStates::initialise() {
    if (initialised_) return;
    states_->capture(currentSlot_, "");
    copyToOther();
    initialised_ = true;
}

void GenericPlugin::CompareStates::select(int slot) {
    if (slot != kSlotA && slot != kSlotB) return;
    if (slot == currentSlot_) return;
    states_->capture(currentSlot_, "");
    currentSlot_ = slot;
}

void GenericPlugin::CompareStates::copyToOther() {
    states_->capture(1 - currentSlot_, "");
    modifiedSinceCopy_ = false;
}

void GenericPlugin::CompareStates::switchSlot() {
    // A slot never captured holds no settings; restoring it would only wipe the preset name.
    initialise();
    select(1 - currentSlot_);
    states_->restore(currentSlot_);
    if (UndoHistory* history = plugin_.undoHistory()) history->record("");
}

const GenericPlugin::Snapshot* GenericPlugin::CompareStates::slot(int index) const { return states_->at(index); }
