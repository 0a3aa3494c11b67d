#pragma once
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"

// Every parameter value of the plug-in at one moment, with the preset it came from and the A/B
// slot that was current. Undo steps and the A/B slots are snapshots; they live in memory only.
struct GenericPlugin::Snapshot {
    std::string description;  // "Initial state" for the first undo step, otherwise empty
    std::string presetName;
    std::string presetPath;
    bool presetModified = false;
    int compareSlot = 0;       // 0 = A, 1 = B
    std::vector<float> values;  // in parameter id order
};
