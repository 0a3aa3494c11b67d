#pragma once
#include <functional>
#include <string>

#include "engine/GenericPlugin.h"
#include "engine/PluginSettings.h"
#include "presets/PresetListener.h"
#include "presets/PresetManager.h"
#include "presets/PresetMenu.h"
#include "presets/PresetUserInterface.h"

// What the editor's main preset menu and its previous/next buttons do, over one plug-in instance
// and the main preset manager. A successful save lets the plug-in itself rescan the main folder
// and update its current preset; these commands rescan only where no file was written.
//
// Threads: the editor's thread (dialogs, file I/O, the unlocked managers).
class PresetCommands : public PresetListener {
public:
    struct Callbacks {
        // The shared settings changed (preset folder, program changes): store them.
        std::function<void()> settingsChanged;
        // Installs the factory presets into the main folder, overwriting; false when some failed.
        std::function<bool()> installFactoryPresets;
    };

    PresetCommands(GenericPlugin& plugin, PresetManager& main, SharedPluginSettings& settings, PresetUserInterface& ui,
                   Callbacks callbacks = {});

    // Loads a preset chosen from the menu; a refused file shows the open-failure message.
    void presetSelected(const Preset& preset) override;

    // Saves over the current preset's file; false (nothing done) when it has no path.
    bool save();
    // The save dialog in the main folder; on OK saves there, on cancel only rescans.
    bool saveAs();
    // Saves to <main folder>/<default preset name>.zxp.
    bool saveAsDefault();
    // The open dialog in the main folder; loads the chosen file, a failure shows nothing.
    bool openOther();
    // The folder dialog; on OK rescans the main manager there and stores the settings.
    bool changePresetFolder();
    // Asks first; on Yes installs the factory presets with overwrite and rescans, showing the
    // error text when the installation failed.
    bool restoreFactoryPresets();
    // Flips "Enable MIDI Program Changes" and stores the settings.
    void toggleProgramChanges();
    // Previous (PresetManager::kPrevious) or next (kNext) preset from the current one, loaded;
    // a refused file shows the open-failure message. False when nothing was loaded.
    bool step(int direction);

    // The main preset menu, top to bottom: the tree, one submenu per extra folder, "Save" (when
    // the setting allows it), "Save As..." and the "Options" submenu.
    PresetMenu buildMenu() const;
    // Runs what a menu item stands for.
    void choose(const PresetMenu::Item& item);

private:
    bool saveTo(const std::string& path);

    GenericPlugin& plugin_;
    PresetManager& main_;
    SharedPluginSettings& settings_;
    PresetUserInterface& ui_;
    Callbacks callbacks_;
};
