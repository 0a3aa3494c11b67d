#include "engine/UndoHistory.h"

#include <algorithm>

#include "engine/CompareStates.h"
#include "engine/StateList.h"

namespace {
// The current settings plus kMaxSteps others.
constexpr int kRingSize = GenericPlugin::UndoHistory::kMaxSteps + 1;
}  // namespace

GenericPlugin::UndoHistory::UndoHistory(GenericPlugin& plugin)
    : plugin_(plugin), states_(std::make_unique<StateList>(plugin, kRingSize)) {}

GenericPlugin::UndoHistory::~UndoHistory() = default;

void GenericPlugin::UndoHistory::recordInitial() {
    if (position_ != 0 || undoCount_ != 0 || redoCount_ != 0) return;
    states_->capture(position_, kInitialDescription);
}

int GenericPlugin::UndoHistory::record(const std::string& description) {
    position_ = (position_ + 1) % kRingSize;
    states_->capture(position_, description);
    redoCount_ = 0;
    undoCount_ = std::min(undoCount_ + 1, kMaxSteps);
    return undoCount_;
}

int GenericPlugin::UndoHistory::recordEdit() {
    const int count = record("");
    if (CompareStates* compare = plugin_.compareStates()) compare->setModifiedSinceCopy(true);
    return count;
}

void GenericPlugin::UndoHistory::step(int direction) {
    if (direction != -1 && direction != 1) return;
    position_ = (position_ + direction + kRingSize) % kRingSize;
    const Snapshot* target = states_->at(position_);
    CompareStates* compare = plugin_.compareStates();
    if (compare && target) compare->select(target->compareSlot);
    states_->restore(position_);
    if (compare) compare->setModifiedSinceCopy(true);
}

bool GenericPlugin::UndoHistory::undo() {
    if (undoCount_ < 1) return false;
    step(-1);
    --undoCount_;
    redoCount_ = std::min(redoCount_ + 1, kMaxSteps);
    return true;
}

bool GenericPlugin::UndoHistory::redo() {
    if (redoCount_ < 1) return false;
    step(+1);
    undoCount_ = std::min(undoCount_ + 1, kMaxSteps);
    --redoCount_;
    return true;
}

// Undo and redo steps together never exceed the ring, or an undo could reach a redo step.
void GenericPlugin::UndoHistory::setUndoCount(int count) { undoCount_ = std::clamp(count, 0, kMaxSteps - redoCount_); }

void GenericPlugin::UndoHistory::setRedoCount(int count) { redoCount_ = std::clamp(count, 0, kMaxSteps - undoCount_); }

const GenericPlugin::Snapshot* GenericPlugin::UndoHistory::current() const { return states_->at(position_); }
