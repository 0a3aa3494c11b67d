#pragma once
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/Snapshot.h"

// A fixed number of snapshots of one plug-in, sized at creation and never resized. Indices outside
// the list are ignored, so a caller's arithmetic slip never touches memory it does not own.
// Editor thread only.
class GenericPlugin::StateList {
public:
    StateList(GenericPlugin& plugin, int size);
    virtual ~StateList() = default;
    StateList(const StateList&) = delete;
    StateList& operator=(const StateList&) = delete;

    int size() const { return static_cast<int>(entries_.size()); }
    // The snapshot at index, or null outside the list.
    const Snapshot* at(int index) const;
    // Captures the plug-in's current settings into the entry at index.
    void capture(int index, const std::string& description);
    // Restores the plug-in from the entry at index (one update batch).
    void restore(int index);

private:
    GenericPlugin& plugin_;
    std::vector<Snapshot> entries_;
};
