#include "engine/StateList.h"

GenericPlugin::StateList::StateList(GenericPlugin& plugin, int size)
    : plugin_(plugin), entries_(static_cast<size_t>(size > 0 ? size : 0)) {}

const GenericPlugin::Snapshot* GenericPlugin::StateList::at(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

void GenericPlugin::StateList::capture(int index, const std::string& description) {
    if (index < 0 || index >= size()) return;
    Snapshot& entry = entries_[static_cast<size_t>(index)];
    entry.description = description;
    plugin_.captureSnapshot(entry);
}

void GenericPlugin::StateList::restore(int index) {
    if (const Snapshot* entry = at(index)) plugin_.restoreSnapshot(*entry);
}
