#pragma once
#include <string>
#include <vector>

#include "host/lv2/Lv2Turtle.h"

// Turns a tree of preset files (.zxp, any depth) into LV2 presets: each is loaded into a plug-in
// and written with every control port's value and the complete state, so hosts that set only
// ports and hosts that restore state hear the same preset.
class Lv2PresetExport {
public:
    struct Result {
        bool ok = false;
        std::string error;                        // the first preset that could not be loaded
        std::string turtle;                       // the presets' description
        std::vector<Lv2Turtle::PresetEntry> entries;
    };

    // `file` is the turtle file name inside the bundle the description will be written to.
    static Result fromTree(const std::string& root, const std::string& file);
    // The URI of a preset from its path below the tree, without the extension.
    static std::string uriFor(const std::string& relativePath);
    static std::string base64(const std::vector<unsigned char>& bytes);
};
