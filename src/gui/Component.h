#pragma once
#include <memory>
#include <string>
#include <vector>

#include "gui/KeyEvent.h"
#include "gui/MouseEvent.h"
#include "gui/Rect.h"

namespace gui {

class Canvas;
class ComponentHost;

// A node of the component tree: a rectangle in window pixels, visibility, an owner that owns its
// children. Events arrive in window coordinates. Children paint above their owner, later children
// above earlier ones; hit tests go the other way.
class Component {
public:
    Component() = default;
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Ownership.
    Component& addChild(std::unique_ptr<Component> child);
    template <class T, class... Args>
    T& add(Args&&... args) {
        return static_cast<T&>(addChild(std::make_unique<T>(std::forward<Args>(args)...)));
    }
    // Detaches a child and hands it back (null when it is not a child).
    std::unique_ptr<Component> removeChild(Component& child);
    // Removes this component from its owner and deletes it once the current event is handled.
    void closeLater();
    Component* getParent() const { return parent_; }
    const std::vector<std::unique_ptr<Component>>& getChildren() const { return children_; }
    bool isAncestorOf(const Component& other) const;

    // The host is set on the root; every descendant reaches it through its owners.
    void setHost(ComponentHost* host) { host_ = host; }
    ComponentHost* getHost() const;

    const Rect& getBounds() const { return bounds_; }
    void setBounds(const Rect& bounds);
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);
    // Visible itself and every owner up to the root.
    bool isShowing() const;
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    const std::string& getName() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Schedules a repaint of the whole component or a part of it (window pixels).
    void invalidate();
    void invalidate(const Rect& rect);

    // Paints this component and its visible children that meet `dirty`.
    void paintTree(Canvas& canvas, const Rect& dirty);
    // The deepest showing component under a point, or null.
    Component* findComponentAt(Point p);

    // Mouse. Return value of mouseDown: whether the component takes the gesture (it then gets the
    // moves and the release, captured); the default passes the press on to the owner.
    virtual bool mouseDown(const MouseEvent&) { return false; }
    virtual void mouseMove(const MouseEvent&) {}
    virtual void mouseUp(const MouseEvent&) {}
    virtual bool mouseDoubleClick(const MouseEvent& event) { return mouseDown(event); }
    virtual bool mouseWheel(const MouseEvent&) { return false; }
    virtual void mouseEnter(const MouseEvent&) {}
    virtual void mouseLeave() {}
    // Key events reach the focused component first, then its owners until one returns true.
    virtual bool keyPressed(const KeyEvent&) { return false; }
    virtual void focusChanged(bool /*focused*/) {}
    // The window lost the input focus or changed size; menus close, drags end.
    virtual void windowDeactivated() {}

protected:
    virtual void paint(Canvas&) {}
    // Whether a point inside the rectangle hits this component (images with holes refine this).
    virtual bool hitTest(Point p) const { return bounds_.contains(p); }
    virtual void boundsChanged() {}

private:
    Component* parent_ = nullptr;
    ComponentHost* host_ = nullptr;
    std::vector<std::unique_ptr<Component>> children_;
    Rect bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    std::string name_;
};

}  // namespace gui
