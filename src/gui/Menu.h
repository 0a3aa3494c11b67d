#pragma once
#include <memory>
#include <string>
#include <vector>

namespace gui {

// The contents of a popup menu: items with an id (non-zero), check marks, disabled items,
// separators and submenus.
class Menu {
public:
    struct Item {
        int id = 0;
        std::string text;
        bool checked = false;
        bool enabled = true;
        bool separator = false;
        std::shared_ptr<Menu> submenu;

        bool isSelectable() const { return !separator && enabled && !submenu && id != 0; }
    };

    Menu& addItem(int id, std::string text, bool checked = false, bool enabled = true);
    Menu& addSeparator();
    Menu& addSubmenu(std::string text, Menu submenu, bool enabled = true);

    const std::vector<Item>& getItems() const { return items_; }
    bool isEmpty() const { return items_.empty(); }

private:
    std::vector<Item> items_;
};

}  // namespace gui
