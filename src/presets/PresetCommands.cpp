#include "presets/PresetCommands.h"

#include <utility>

#include "presets/PresetFileName.h"
#include "presets/PresetMessages.h"

PresetCommands::PresetCommands(GenericPlugin& plugin, PresetManager& main, SharedPluginSettings& settings,
                               PresetUserInterface& ui, Callbacks callbacks)
    : plugin_(plugin), main_(main), settings_(settings), ui_(ui), callbacks_(std::move(callbacks)) {}

void PresetCommands::presetSelected(const Preset& preset) {
    if (!plugin_.loadPreset(preset.path)) ui_.showMessage(PresetMessages::kOpenFailed);
}

bool PresetCommands::saveTo(const std::string& path) {
    if (plugin_.savePresetFile(path)) return true;
    // Never let a failed save pass for a done one: the user would lose the sound on closing.
    ui_.showMessage(PresetMessages::kSaveFailed);
    return false;
}

bool PresetCommands::save() {
    const std::string path = plugin_.currentPreset().getPath();
    return !path.empty() && saveTo(path);
}

bool PresetCommands::saveAs() {
    const std::string path =
        ui_.chooseSaveFile(main_.getPath(), PresetMessages::kSaveFilter, PresetMessages::kPresetExtension);
    if (path.empty()) {
        main_.rescan();
        return false;
    }
    return saveTo(PresetFileName::withDefaultExtension(path, PresetMessages::kPresetExtension));
}

bool PresetCommands::saveAsDefault() {
    if (main_.getPath().empty()) return false;
    return saveTo(main_.getPath() + plugin_.productInfo().defaultPresetName + main_.getExtension());
}

bool PresetCommands::openOther() {
    const std::string path =
        ui_.chooseOpenFile(main_.getPath(), PresetMessages::kOpenFilter, PresetMessages::kPresetExtension);
    return !path.empty() && plugin_.loadPreset(path);
}

bool PresetCommands::changePresetFolder() {
    std::string folder = ui_.chooseFolder(PresetMessages::kChooseFolderTitle, main_.getPath());
    if (folder.empty()) return false;
    if (folder.back() != '/') folder += '/';
    main_.rescan(folder);
    settings_.presetFolder.set(folder);
    if (callbacks_.settingsChanged) callbacks_.settingsChanged();
    return true;
}

bool PresetCommands::restoreFactoryPresets() {
    if (!ui_.askYesNo(PresetMessages::kRestoreTitle, PresetMessages::kRestoreQuestion)) return false;
    const bool ok = callbacks_.installFactoryPresets && callbacks_.installFactoryPresets();
    // Show what was installed, also when only part of it was.
    main_.rescan();
    if (!ok) ui_.showMessage(PresetMessages::kRestoreFailed);
    return ok;
}

void PresetCommands::toggleProgramChanges() {
    settings_.enableMIDIProgramChanges.set(!settings_.enableMIDIProgramChanges.get());
    if (callbacks_.settingsChanged) callbacks_.settingsChanged();
}

bool PresetCommands::step(int direction) {
    const Preset* next = main_.step(plugin_.currentPreset().getPath(), direction);
    if (!next) return false;
    // Copy the path: a load never rescans, but the entry belongs to the manager.
    const std::string path = next->path;
    if (plugin_.loadPreset(path)) return true;
    ui_.showMessage(PresetMessages::kOpenFailed);
    return false;
}

PresetMenu PresetCommands::buildMenu() const {
    namespace M = PresetMessages;
    PresetMenu menu;
    const std::string& current = plugin_.currentPreset().getPath();
    const bool labels = settings_.enableMIDIProgramChanges.get();
    menu.addTree(PresetMenu::kRoot, main_, current, labels);
    for (const auto& extra : main_.getExtraFolders()) {
        const int sub = menu.addSubmenu(PresetMenu::kRoot, extra->getDisplayName());
        menu.addTree(sub, *extra, current, labels);
        if (!current.empty() && PresetManager::contains(*extra, current)) {
            menu.setChecked(sub, true);  // addTree checks only the levels below it
        }
    }
    menu.addSeparator(PresetMenu::kRoot);
    if (settings_.savePresetItemEnabled.get()) menu.addCommand(PresetMenu::kRoot, PresetMenu::kSave, M::kSave);
    menu.addCommand(PresetMenu::kRoot, PresetMenu::kSaveAs, M::kSaveAs);
    const int options = menu.addSubmenu(PresetMenu::kRoot, M::kOptions);
    menu.addCommand(options, PresetMenu::kEnableProgramChanges, M::kEnableProgramChanges, labels);
    menu.addCommand(options, PresetMenu::kSaveAsDefault, M::kSaveAsDefault);
    menu.addCommand(options, PresetMenu::kOpenOther, M::kOpenOther);
    menu.addCommand(options, PresetMenu::kChangeFolder, M::kChangeFolder);
    menu.addCommand(options, PresetMenu::kRestoreFactory, M::kRestoreFactory);
    return menu;
}

void PresetCommands::choose(const PresetMenu::Item& item) {
    if (item.kind == PresetMenu::Kind::Preset) {
        presetSelected(item.preset);
        return;
    }
    if (item.kind != PresetMenu::Kind::Command) return;
    switch (item.command) {
        case PresetMenu::kSave: save(); break;
        case PresetMenu::kSaveAs: saveAs(); break;
        case PresetMenu::kEnableProgramChanges: toggleProgramChanges(); break;
        case PresetMenu::kSaveAsDefault: saveAsDefault(); break;
        case PresetMenu::kOpenOther: openOther(); break;
        case PresetMenu::kChangeFolder: changePresetFolder(); break;
        case PresetMenu::kRestoreFactory: restoreFactoryPresets(); break;
        case PresetMenu::kNoCommand: break;
    }
}
