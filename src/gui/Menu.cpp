#include "gui/Menu.h"

namespace gui {

Menu& Menu::addItem(int id, std::string text, bool checked, bool enabled) {
    Item item;
    item.id = id;
    item.text = std::move(text);
    item.checked = checked;
    item.enabled = enabled;
    items_.push_back(std::move(item));
    return *this;
}

Menu& Menu::addSeparator() {
    Item item;
    item.separator = true;
    item.enabled = false;
    items_.push_back(std::move(item));
    return *this;
}

Menu& Menu::addSubmenu(std::string text, Menu submenu, bool enabled) {
    Item item;
    item.text = std::move(text);
    item.enabled = enabled;
    item.submenu = std::make_shared<Menu>(std::move(submenu));
    items_.push_back(std::move(item));
    return *this;
}

}  // namespace gui
