#pragma once
#include <string>
#include <vector>

class AbstractPluginParameter;
class MidiControllerMap;
class MidiLearnTargets;
class ResourceStore;

// The MIDI learn menu as data and commands, for the editor to show and to call:
//   "Enable MIDI" (checked while the Receive MIDI parameter is Enabled),
//   "Clear" with one item per assignment ("74: Filter 1 Freq"; host parameters in id order, then
//   the virtual parameters in their order), "Clear All", "Revert" (re-reads the saved map), "Save",
//   and "Load Factory Settings" for products that are not effects.
// Editor thread.
class MidiLearnMenu {
public:
    enum Command : int {
        kNoCommand = 0,
        kEnableMidi = 1,
        kClearAll = 2,
        kRevert = 3,
        kSave = 4,
        kLoadFactorySettings = 5,
        kClearController = 0x100,  // + controller number 0..127
    };

    struct Item {
        int command = kNoCommand;
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::vector<Item> submenu;
    };

    struct Setup {
        MidiControllerMap* map = nullptr;
        const MidiLearnTargets* targets = nullptr;
        AbstractPluginParameter* receiveMidi = nullptr;  // value 0 = Enabled, 1 = Disabled
        std::string folder;                              // where the map file is kept
        bool isEffect = true;
        const ResourceStore* resources = nullptr;        // null: the program's resources
    };

    explicit MidiLearnMenu(Setup setup) : setup_(std::move(setup)) {}

    // The menu as it is now.
    std::vector<Item> build() const;
    // Runs a command; true when the assignments may have changed, so an open overlay redraws.
    // Unknown commands do nothing.
    bool perform(int command);

private:
    std::vector<Item> clearItems() const;

    Setup setup_;
};
