#include "presets/PresetMenu.h"

#include <utility>

#include "presets/PresetMessages.h"

PresetMenu::PresetMenu() { items_.emplace_back(); }

int PresetMenu::add(int parent, Item item) {
    const int index = static_cast<int>(items_.size());
    item.parent = parent;
    items_.push_back(std::move(item));
    items_.at(static_cast<std::size_t>(parent)).children.push_back(index);
    return index;
}

int PresetMenu::find(int parent, const std::string& text) const {
    for (int child : item(parent).children)
        if (item(child).text == text) return child;
    return -1;
}

int PresetMenu::addSubmenu(int parent, const std::string& text) {
    Item i;
    i.kind = Kind::Submenu;
    i.text = text;
    return add(parent, std::move(i));
}

int PresetMenu::addCommand(int parent, Command command, const std::string& text, bool checked) {
    Item i;
    i.kind = Kind::Command;
    i.text = text;
    i.command = command;
    i.checked = checked;
    return add(parent, std::move(i));
}

int PresetMenu::addSeparator(int parent) {
    Item i;
    i.kind = Kind::Separator;
    return add(parent, std::move(i));
}

void PresetMenu::addTree(int parent, const PresetFolder& folder, const std::string& currentPath, bool labels) {
    // Each folder's items are added when it is taken from the stack, so the order inside every
    // submenu is the folder's sorted order whatever the visiting order.
    std::vector<std::pair<const PresetFolder*, int>> stack{{&folder, parent}};
    while (!stack.empty()) {
        auto [f, menu] = stack.back();
        stack.pop_back();
        for (const auto& sub : f->getSubfolders()) stack.emplace_back(sub.get(), addSubmenu(menu, sub->getDisplayName()));
        for (const Preset& p : f->getPresets()) {
            Item i;
            i.kind = Kind::Preset;
            i.text = labels ? p.label : p.name;
            i.preset = p;
            i.checked = !currentPath.empty() && p.path == currentPath;
            const int index = add(menu, std::move(i));
            if (!item(index).checked) continue;
            // Check the submenus that lead to the current preset, up to the one the tree was added to.
            for (int up = menu; up != parent && up > kRoot; up = item(up).parent) items_[static_cast<std::size_t>(up)].checked = true;
        }
        if (f->getSubfolders().empty() && f->getPresets().empty()) {
            Item none;
            none.kind = Kind::Placeholder;
            none.text = PresetMessages::kNoPresets;
            none.enabled = false;
            add(menu, std::move(none));
        }
    }
}
