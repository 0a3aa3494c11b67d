#include "gui/PopupMenu.h"

#include <algorithm>
#include <cmath>

#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/Style.h"
#include "gui/TextMetrics.h"

namespace gui {

namespace {

int itemHeight(const Menu::Item& item) { return item.separator ? style::kMenuSeparatorHeight : style::kMenuItemHeight; }

}  // namespace

PopupMenu& PopupMenu::show(ComponentHost& host, Point position, Menu menu, Result onResult) {
    return static_cast<PopupMenu&>(host.addOverlay(std::make_unique<PopupMenu>(std::move(menu), position, std::move(onResult))));
}

PopupMenu::PopupMenu(Menu menu, Point position, Result onResult)
    : menu_(std::move(menu)), position_(position), onResult_(std::move(onResult)) {
    setName("popup-menu");
}

void PopupMenu::boundsChanged() {
    if (panels_.empty()) layoutFirst();
}

void PopupMenu::layoutFirst() {
    panels_.clear();
    openPanel(std::make_shared<Menu>(menu_), position_, position_.x);
}

void PopupMenu::openPanel(std::shared_ptr<Menu> menu, Point at, int leftEdge) {
    int width = style::kMenuMinWidth;
    int height = 2 * style::kMenuPadding;
    for (const Menu::Item& item : menu->getItems()) {
        height += itemHeight(item);
        if (!item.separator) width = std::max(width, int(std::ceil(TextMetrics::width(item.text))) + 56);
    }
    const Rect window = getBounds();
    Rect bounds{at.x, at.y, width, height};
    // Keep the panel inside the window: flip a submenu to the left of its parent, shift a menu up.
    if (bounds.right() > window.right()) bounds.x = panels_.empty() ? window.right() - width : leftEdge - width;
    if (bounds.bottom() > window.bottom()) bounds.y = window.bottom() - height;
    bounds.x = std::max(bounds.x, window.x);
    bounds.y = std::max(bounds.y, window.y);
    panels_.push_back({std::move(menu), bounds, -1});
    invalidate(bounds);
}

Rect PopupMenu::getPanelBounds(std::size_t level) const { return level < panels_.size() ? panels_[level].bounds : Rect{}; }

Rect PopupMenu::getItemBounds(std::size_t level, std::size_t index) const {
    if (level >= panels_.size()) return {};
    const Panel& panel = panels_[level];
    const auto& items = panel.menu->getItems();
    int y = panel.bounds.y + style::kMenuPadding;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == index) return {panel.bounds.x + 1, y, panel.bounds.width - 2, itemHeight(items[i])};
        y += itemHeight(items[i]);
    }
    return {};
}

int PopupMenu::getHighlighted(std::size_t level) const { return level < panels_.size() ? panels_[level].highlighted : -1; }

bool PopupMenu::itemAt(Point p, std::size_t& level, int& index) const {
    for (std::size_t l = panels_.size(); l-- > 0;) {
        if (!panels_[l].bounds.contains(p)) continue;
        const auto& items = panels_[l].menu->getItems();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (getItemBounds(l, i).contains(p)) {
                level = l;
                index = int(i);
                return true;
            }
        }
        level = l;
        index = -1;
        return true;
    }
    return false;
}

void PopupMenu::highlight(std::size_t level, int index) {
    // Submenus deeper than the hovered level close, unless the hovered item is the one they belong to.
    Panel& panel = panels_[level];
    const bool same = panel.highlighted == index;
    if (!same) {
        panel.highlighted = index;
        while (panels_.size() > level + 1) {
            invalidate(panels_.back().bounds);
            panels_.pop_back();
        }
        invalidate(panel.bounds);
    }
    if (index < 0) return;
    const Menu::Item& item = panel.menu->getItems()[index];
    if (item.submenu && item.enabled && panels_.size() == level + 1) {
        const Rect row = getItemBounds(level, index);
        openPanel(item.submenu, {panel.bounds.right() - 2, row.y - style::kMenuPadding}, panel.bounds.x);
    }
}

void PopupMenu::activate(std::size_t level, int index) {
    if (index < 0) return;
    const Menu::Item& item = panels_[level].menu->getItems()[index];
    if (item.isSelectable()) finish(item.id);
}

void PopupMenu::finish(int id) {
    if (finished_) return;
    finished_ = true;
    Result callback = std::move(onResult_);
    closeLater();
    if (callback) callback(id);
}

bool PopupMenu::mouseDown(const MouseEvent& event) {
    std::size_t level = 0;
    int index = -1;
    pressedInside_ = itemAt(event.position, level, index);
    if (!pressedInside_) {
        finish(0);
        return true;
    }
    if (index >= 0) highlight(level, index);
    return true;
}

void PopupMenu::mouseMove(const MouseEvent& event) {
    std::size_t level = 0;
    int index = -1;
    if (itemAt(event.position, level, index)) {
        if (index >= 0) highlight(level, index);
    }
}

void PopupMenu::mouseUp(const MouseEvent& event) {
    std::size_t level = 0;
    int index = -1;
    if (pressedInside_ && itemAt(event.position, level, index)) activate(level, index);
    pressedInside_ = false;
}

void PopupMenu::moveHighlight(int direction) {
    const std::size_t level = panels_.size() - 1;
    const auto& items = panels_[level].menu->getItems();
    if (items.empty()) return;
    int index = panels_[level].highlighted;
    for (std::size_t tries = 0; tries < items.size(); ++tries) {
        index = (index + direction + int(items.size())) % int(items.size());
        if (!items[index].separator && items[index].enabled) break;
    }
    panels_[level].highlighted = index;
    invalidate(panels_[level].bounds);
}

bool PopupMenu::keyPressed(const KeyEvent& event) {
    if (panels_.empty()) return false;
    const std::size_t level = panels_.size() - 1;
    const int index = panels_[level].highlighted;
    switch (event.key) {
        case KeyEvent::Key::Escape:
            if (level == 0) {
                finish(0);
            } else {
                invalidate(panels_.back().bounds);
                panels_.pop_back();
            }
            return true;
        case KeyEvent::Key::Down: moveHighlight(1); return true;
        case KeyEvent::Key::Up: moveHighlight(-1); return true;
        case KeyEvent::Key::Right:
            if (index >= 0 && panels_[level].menu->getItems()[index].submenu) {
                panels_[level].highlighted = -1;
                highlight(level, index);
                if (panels_.size() > level + 1) moveHighlight(1);
            }
            return true;
        case KeyEvent::Key::Left:
            if (level > 0) {
                invalidate(panels_.back().bounds);
                panels_.pop_back();
            }
            return true;
        case KeyEvent::Key::Enter: activate(level, index); return true;
        default: return true;  // a menu swallows keys while open
    }
}

void PopupMenu::paint(Canvas& canvas) {
    for (std::size_t level = 0; level < panels_.size(); ++level) {
        const Panel& panel = panels_[level];
        const Rect& b = panel.bounds;
        canvas.fillRoundedRect(b.translated(0, 3), 6, style::kShadow);
        canvas.fillRoundedRect(b, 5, style::kPanelRaised);
        canvas.strokeRoundedRect(b, 5, style::kPanelBorder);
        const auto& items = panel.menu->getItems();
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Menu::Item& item = items[i];
            const Rect row = getItemBounds(level, i);
            if (item.separator) {
                canvas.fillRect({row.x + 8, row.y + row.height / 2, row.width - 16, 1}, style::kPanelBorder);
                continue;
            }
            const bool lit = int(i) == panel.highlighted && item.enabled;
            if (lit) canvas.fillRoundedRect({row.x + 3, row.y + 1, row.width - 6, row.height - 2}, 3, style::kAccent);
            const Colour text = !item.enabled ? style::kTextDisabled : lit ? style::kTextOnAccent : style::kText;
            if (item.checked) {
                Path check;
                const double cx = row.x + 13;
                const double cy = row.y + row.height / 2.0;
                check.moveTo(cx - 4, cy).lineTo(cx - 1, cy + 3.5).lineTo(cx + 5, cy - 4);
                canvas.strokePath(check, text, 1.8);
            }
            canvas.drawText(item.text, {row.x + 26, row.y, row.width - 44, row.height}, text);
            if (item.submenu) {
                Path arrow;
                const double ax = row.right() - 12;
                const double ay = row.y + row.height / 2.0;
                arrow.moveTo(ax - 2, ay - 4).lineTo(ax + 2, ay).lineTo(ax - 2, ay + 4);
                canvas.strokePath(arrow, text, 1.5);
            }
        }
    }
}

}  // namespace gui
