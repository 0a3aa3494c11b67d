#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "gui/Component.h"
#include "gui/Menu.h"

namespace gui {

class ComponentHost;

// An open popup menu: a full-window layer holding the menu panel and any open submenu panels.
// Choosing an item, clicking outside, Escape, or the window losing focus or changing size closes
// it; the result callback then gets the chosen id, or 0 when nothing was chosen. Destroying the
// window while the menu is open closes it without calling back.
class PopupMenu final : public Component {
public:
    using Result = std::function<void(int id)>;

    // Opens `menu` with its top-left corner at `position` (moved to stay inside the window).
    static PopupMenu& show(ComponentHost& host, Point position, Menu menu, Result onResult);

    PopupMenu(Menu menu, Point position, Result onResult);

    // Panels from the top menu down to the deepest open submenu.
    std::size_t getPanelCount() const { return panels_.size(); }
    Rect getPanelBounds(std::size_t level) const;
    // The rectangle of an item of an open panel (for tests and keyboard navigation).
    Rect getItemBounds(std::size_t level, std::size_t index) const;
    int getHighlighted(std::size_t level) const;
    // Closes with a result (0: nothing chosen).
    void finish(int id);

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent& event) override;
    void mouseUp(const MouseEvent& event) override;
    bool mouseWheel(const MouseEvent&) override { return true; }
    bool keyPressed(const KeyEvent& event) override;
    void windowDeactivated() override { finish(0); }

protected:
    void paint(Canvas& canvas) override;
    bool hitTest(Point) const override { return true; }
    void boundsChanged() override;

private:
    struct Panel {
        std::shared_ptr<Menu> menu;
        Rect bounds;
        int highlighted = -1;
    };

    void openPanel(std::shared_ptr<Menu> menu, Point at, int leftEdge);
    void layoutFirst();
    // The panel level and item under a point; false when it is over no item.
    bool itemAt(Point p, std::size_t& level, int& index) const;
    void highlight(std::size_t level, int index);
    void moveHighlight(int direction);
    void activate(std::size_t level, int index);

    Menu menu_;
    Point position_;
    Result onResult_;
    std::vector<Panel> panels_;
    bool finished_ = false;
    bool pressedInside_ = false;
};

}  // namespace gui
