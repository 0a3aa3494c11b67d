#pragma once
#include <string>

class KestrumPlugin;

// The parameter reference (docs/parameters.md), generated from a plug-in instance so that it can
// never disagree with the code: every parameter with its id, name, range and default value, then
// the virtual parameters for MIDI learn.
class ParameterDocs {
public:
    static std::string markdown(KestrumPlugin& plugin);
};
