#include "midi/MidiControllerMap.h"

MidiControllerMap::MidiControllerMap() { clearAll(); }

MidiControllerMap& MidiControllerMap::shared() {
    static MidiControllerMap map;
    return map;
}

int MidiControllerMap::lookup(int controller) const {
    if (controller < 0 || controller >= kControllers) return kNone;
    return entries_[static_cast<size_t>(controller)].load(std::memory_order_relaxed);
}

void MidiControllerMap::assign(int controller, int id) {
    if (controller < -1 || controller >= kControllers) return;
    if (controller != -1 && lookup(controller) == id) return;
    if (id != kNone) clearParameter(id);
    if (controller != -1) entries_[static_cast<size_t>(controller)].store(id, std::memory_order_relaxed);
}

void MidiControllerMap::clearParameter(int id) {
    for (auto& entry : entries_) {
        int expected = id;
        entry.compare_exchange_strong(expected, kNone, std::memory_order_relaxed);
    }
}

void MidiControllerMap::clearAll() {
    for (auto& entry : entries_) entry.store(kNone, std::memory_order_relaxed);
}

int MidiControllerMap::controllerFor(int id) const {
    for (int c = 0; c < kControllers; ++c) {
        if (lookup(c) == id) return c;
    }
    return kNone;
}
