#include "presets/ProgramChangeLoader.h"

ProgramChangeLoader::ProgramChangeLoader(GenericPlugin& plugin, const PresetManager& main,
                                         const SharedPluginSettings& settings)
    : plugin_(plugin), main_(main), settings_(settings) {}

std::string ProgramChangeLoader::lookup(int bank, int program) const {
    if (!settings_.enableMIDIProgramChanges.get()) return std::string();
    const Preset* preset = main_.presetForProgram(bank, program);
    return preset ? preset->path : std::string();
}

bool ProgramChangeLoader::apply(int bank, int program) {
    const std::string path = lookup(bank, program);
    return !path.empty() && plugin_.loadPreset(path);
}
