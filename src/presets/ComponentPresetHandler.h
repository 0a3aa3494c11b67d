#pragma once
#include <string>

#include "presets/PresetListener.h"
#include "presets/PresetManager.h"
#include "presets/PresetMenu.h"
#include "presets/PresetUserInterface.h"
#include "presets/SectionFiles.h"

// The preset menu of one section button: section presets of one kind (the section manager's tree)
// loaded into or saved from one instance (filter set, XLFO 3, ...). Files are read and written as
// version 1 through `files`.
//
// Threads: the editor's thread.
class ComponentPresetHandler : public PresetListener {
public:
    static constexpr int kVersion = 1;
    static constexpr const char* kDefaultName = "Default";

    ComponentPresetHandler(int section, int instance, PresetManager& manager, SectionFiles files,
                           PresetUserInterface& ui);

    int getSection() const { return section_; }
    int getInstance() const { return instance_; }
    PresetManager& getManager() const { return manager_; }

    // Loads the preset into the instance; a refused file shows the open-failure message.
    void presetSelected(const Preset& preset) override;
    // The save dialog in the section folder; on OK writes the instance and rescans the folder.
    // True when a file was written.
    bool saveAs();
    // Loads the section preset named "Default" into the instance; false (nothing shown) when there
    // is none or it could not be read.
    bool loadDefault();

    // The section manager's tree, then "Save As...".
    PresetMenu buildMenu() const;
    // Runs what a menu item stands for.
    void choose(const PresetMenu::Item& item);

private:
    int section_;
    int instance_;
    PresetManager& manager_;
    SectionFiles files_;
    PresetUserInterface& ui_;
};
