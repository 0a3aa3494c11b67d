#pragma once
#include <memory>
#include <string>
#include <vector>

#include "presets/PresetManager.h"

// The process-wide preset managers: the main manager (".zxp") at the preset folder, and one
// manager per section in the order the product registers its sections (Filters, XLFO, EG, EF,
// MIDI, Slots), each at <preset folder>/Component Presets/<section name>/ (created when missing).
//
// The first plug-in instance of the process calls create() and the last one destroy(). The
// managers are shared by every instance and are not locked: use them only on the editor or host
// thread (scans, menus and commands), never on the audio thread.
class PresetManagers {
public:
    static constexpr const char* kComponentFolder = "Component Presets";

    struct Section {
        std::string name;       // "XLFO": the folder name
        std::string extension;  // ".xlfo"
    };

    // The product's sections, in registration order.
    static std::vector<Section> productSections();

    // Creates and scans the managers; when they exist already, nothing changes. Returns the main one.
    // A non-empty `previousVersionFolder` (the first major version's preset folder) is added below
    // the main tree as "V1 Preset Folder".
    static PresetManager& create(const std::string& presetFolder, const std::string& previousVersionFolder = "",
                                 const std::string& mainExtension = ".zxp",
                                 const std::vector<Section>& sections = productSections(),
                                 PresetManager::TimerFactory timers = nullptr);
    static void destroy();
    static bool exists();

    // nullptr before create() and after destroy().
    static PresetManager* main();
    // A section manager by registration index; nullptr for an unknown index.
    static PresetManager* section(int index);
    static int numSections();
    // The folder of a section below a preset folder, ending with '/'.
    static std::string sectionFolder(const std::string& presetFolder, const std::string& sectionName);
};
