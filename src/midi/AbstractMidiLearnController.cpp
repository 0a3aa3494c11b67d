#include "midi/AbstractMidiLearnController.h"

#include "midi/AbstractMusicEventReceiver.h"
#include "midi/MidiControllerMap.h"
#include "midi/MidiLearnTargets.h"

AbstractMidiLearnController::AbstractMidiLearnController(MidiControllerMap& map, AbstractMusicEventReceiver& receiver,
                                                         const MidiLearnTargets& targets)
    : map_(map), receiver_(receiver), targets_(targets) {
    remember();
}

AbstractMidiLearnController::~AbstractMidiLearnController() {
    if (open_ || selectedList_ != TargetList::None) receiver_.setLearnTarget(-1);
}

void AbstractMidiLearnController::setControls(std::vector<int> ids) {
    controls_ = std::move(ids);
    deselect();
}

void AbstractMidiLearnController::setGhosts(std::vector<int> ids) {
    ghosts_ = std::move(ids);
    deselect();
}

void AbstractMidiLearnController::open() {
    open_ = true;
    selectedList_ = TargetList::None;
    selectedIndex_ = -1;
    updateLearnTarget();
    labelsChanged();
}

void AbstractMidiLearnController::close() {
    open_ = false;
    selectedList_ = TargetList::None;
    selectedIndex_ = -1;
    updateLearnTarget();
    labelsChanged();
}

void AbstractMidiLearnController::select(TargetList list, int index) {
    const std::vector<int>& ids = list == TargetList::Controls ? controls_ : ghosts_;
    if (!open_ || index < 0 || index >= static_cast<int>(ids.size())) {
        deselect();
        return;
    }
    selectedList_ = list;
    selectedIndex_ = index;
    updateLearnTarget();
    labelsChanged();
}

void AbstractMidiLearnController::deselect() {
    const bool wasSelected = selectedList_ != TargetList::None;
    selectedList_ = TargetList::None;
    selectedIndex_ = -1;
    if (!wasSelected) return;
    updateLearnTarget();
    labelsChanged();
}

int AbstractMidiLearnController::getSelectedId() const {
    if (selectedList_ == TargetList::None) return -1;
    const std::vector<int>& ids = selectedList_ == TargetList::Controls ? controls_ : ghosts_;
    return selectedIndex_ >= 0 && selectedIndex_ < static_cast<int>(ids.size()) ? ids[static_cast<size_t>(selectedIndex_)]
                                                                                : -1;
}

void AbstractMidiLearnController::updateLearnTarget() {
    const int id = getSelectedId();
    receiver_.setLearnTarget(id);
    shownController_ = id == -1 ? -1 : map_.controllerFor(id);
}

void AbstractMidiLearnController::clearSelected() {
    const int id = getSelectedId();
    if (id == -1) return;
    map_.clearParameter(id);
    mapChanged();
}

void AbstractMidiLearnController::mapChanged() {
    remember();
    const int id = getSelectedId();
    shownController_ = id == -1 ? -1 : map_.controllerFor(id);
    labelsChanged();
}

bool AbstractMidiLearnController::poll() {
    for (int c = 0; c < MidiControllerMap::kControllers; ++c) {
        if (seen_[static_cast<size_t>(c)] != map_.lookup(c)) {
            mapChanged();
            return true;
        }
    }
    return false;
}

void AbstractMidiLearnController::remember() {
    for (int c = 0; c < MidiControllerMap::kControllers; ++c) seen_[static_cast<size_t>(c)] = map_.lookup(c);
}

std::string AbstractMidiLearnController::getMessage() const {
    const int id = getSelectedId();
    if (id == -1) return kIdleMessage;
    return kLearnMessage + targets_.getTargetName(id);
}

std::string AbstractMidiLearnController::labelFor(int id) const {
    const int controller = map_.controllerFor(id);
    return controller == MidiControllerMap::kNone ? kNoController : std::to_string(controller);
}
