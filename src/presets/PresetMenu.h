#pragma once
#include <string>
#include <vector>

#include "presets/Preset.h"
#include "presets/PresetFolder.h"

// A preset menu as data, for the editor to show: items in a flat list, each submenu holding the
// indices of its children, item 0 being the menu itself. Built without recursion, so a folder tree
// of any depth is safe to build and to free.
class PresetMenu {
public:
    enum class Kind { Submenu, Preset, Command, Placeholder, Separator };
    enum Command {
        kNoCommand,
        kSave,
        kSaveAs,
        kEnableProgramChanges,
        kSaveAsDefault,
        kOpenOther,
        kChangeFolder,
        kRestoreFactory,
    };

    struct Item {
        Kind kind = Kind::Submenu;
        std::string text;
        bool checked = false;
        bool enabled = true;
        Preset preset;  // for Kind::Preset: a copy, valid after the next rescan too
        Command command = kNoCommand;
        int parent = -1;
        std::vector<int> children;
    };

    static constexpr int kRoot = 0;

    PresetMenu();

    const Item& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    int size() const { return static_cast<int>(items_.size()); }
    // The child of `parent` with this text, -1 when none.
    int find(int parent, const std::string& text) const;

    int addSubmenu(int parent, const std::string& text);
    int addCommand(int parent, Command command, const std::string& text, bool checked = false);
    int addSeparator(int parent);
    void setChecked(int index, bool checked) { items_.at(static_cast<std::size_t>(index)).checked = checked; }
    // Adds a folder's tree below `parent`: a submenu per subfolder (titled with its display name),
    // then the folder's presets ("(No Presets)", disabled, for an empty folder). The preset at
    // `currentPath` is checked, and so is every submenu above it. Presets show their labels
    // instead of their names when `labels` is set.
    void addTree(int parent, const PresetFolder& folder, const std::string& currentPath, bool labels);

private:
    int add(int parent, Item item);

    std::vector<Item> items_;
};
