#pragma once
#include <string>

#include "engine/GenericPlugin.h"
#include "engine/PluginSettings.h"
#include "presets/PresetManager.h"

// Turns MIDI program changes into preset loads: (bank, program) selects entry bank * 128 + program
// of the main manager's numbered list, while "Enable MIDI Program Changes" is on. A number without
// a preset, and any request while the setting is off, is ignored; a refused file shows nothing.
//
// Threads: never the audio thread (it loads files); the audio side only records the request.
class ProgramChangeLoader {
public:
    ProgramChangeLoader(GenericPlugin& plugin, const PresetManager& main, const SharedPluginSettings& settings);

    // The preset file for (bank, program), or an empty string when there is none or the setting
    // is off (fits DefaultChannelEventReceiver::PresetLookup).
    std::string lookup(int bank, int program) const;
    // Loads that preset through the plug-in; true when one was loaded.
    bool apply(int bank, int program);

private:
    GenericPlugin& plugin_;
    const PresetManager& main_;
    const SharedPluginSettings& settings_;
};
