#include "presets/ComponentPresetHandler.h"

#include <utility>

#include "presets/PresetFileName.h"
#include "presets/PresetMessages.h"

ComponentPresetHandler::ComponentPresetHandler(int section, int instance, PresetManager& manager, SectionFiles files,
                                               PresetUserInterface& ui)
    : section_(section), instance_(instance), manager_(manager), files_(std::move(files)), ui_(ui) {}

void ComponentPresetHandler::presetSelected(const Preset& preset) {
    const bool ok = files_.load && files_.load(section_, instance_, preset.path);
    if (!ok) ui_.showMessage(PresetMessages::kOpenFailed);
}

bool ComponentPresetHandler::saveAs() {
    const std::string& ext = manager_.getExtension();
    const std::string bare = ext.empty() || ext[0] != '.' ? ext : ext.substr(1);
    std::string path = ui_.chooseSaveFile(manager_.getPath(), PresetMessages::componentFilter(ext), bare);
    bool written = false;
    if (!path.empty()) {
        path = PresetFileName::withDefaultExtension(path, bare);
        written = files_.save && files_.save(section_, instance_, path);
        if (!written) ui_.showMessage(PresetMessages::kSaveFailed);
    }
    manager_.rescan();
    return written;
}

bool ComponentPresetHandler::loadDefault() {
    const Preset* preset = manager_.findByName(kDefaultName);
    return preset && files_.load && files_.load(section_, instance_, preset->path);
}

PresetMenu ComponentPresetHandler::buildMenu() const {
    PresetMenu menu;
    menu.addTree(PresetMenu::kRoot, manager_, std::string(), false);
    menu.addSeparator(PresetMenu::kRoot);
    menu.addCommand(PresetMenu::kRoot, PresetMenu::kSaveAs, PresetMessages::kSaveAs);
    return menu;
}

void ComponentPresetHandler::choose(const PresetMenu::Item& item) {
    if (item.kind == PresetMenu::Kind::Preset) presetSelected(item.preset);
    if (item.kind == PresetMenu::Kind::Command && item.command == PresetMenu::kSaveAs) saveAs();
}
