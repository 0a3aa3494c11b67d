#include "gui/Component.h"

#include <algorithm>

#include "gui/Canvas.h"
#include "gui/ComponentHost.h"

namespace gui {

Component::~Component() {
    // Children go first, so each tells the host about itself while the tree is still whole.
    while (!children_.empty()) children_.pop_back();
    if (ComponentHost* host = getHost()) host->forgetComponent(*this);
}

Component& Component::addChild(std::unique_ptr<Component> child) {
    Component& added = *child;
    child->parent_ = this;
    children_.push_back(std::move(child));
    added.invalidate();
    return added;
}

std::unique_ptr<Component> Component::removeChild(Component& child) {
    auto it = std::find_if(children_.begin(), children_.end(), [&](const auto& c) { return c.get() == &child; });
    if (it == children_.end()) return nullptr;
    child.invalidate();
    if (ComponentHost* host = getHost()) host->forgetComponent(child);
    std::unique_ptr<Component> removed = std::move(*it);
    children_.erase(it);
    removed->parent_ = nullptr;
    return removed;
}

void Component::closeLater() {
    ComponentHost* host = getHost();
    if (!parent_) return;
    std::unique_ptr<Component> self = parent_->removeChild(*this);
    if (host) host->deleteLater(std::move(self));
    // Without a host there is no event in progress, so the component goes now.
}

bool Component::isAncestorOf(const Component& other) const {
    for (const Component* c = other.parent_; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

ComponentHost* Component::getHost() const {
    const Component* c = this;
    while (c->parent_) c = c->parent_;
    return c->host_;
}

void Component::setBounds(const Rect& bounds) {
    if (bounds == bounds_) return;
    invalidate();
    bounds_ = bounds;
    invalidate();
    boundsChanged();
}

void Component::setVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible) {
        invalidate();
        if (ComponentHost* host = getHost()) {
            // A hidden component keeps no capture or focus.
            if (host->getCapture() && (host->getCapture() == this || isAncestorOf(*host->getCapture())))
                host->setCapture(nullptr);
            if (host->getFocus() && (host->getFocus() == this || isAncestorOf(*host->getFocus())))
                host->setFocus(nullptr);
        }
    }
    visible_ = visible;
    if (visible) invalidate();
}

bool Component::isShowing() const {
    for (const Component* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void Component::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    invalidate();
}

void Component::invalidate() { invalidate(bounds_); }

void Component::invalidate(const Rect& rect) {
    if (rect.isEmpty() || !isShowing()) return;
    if (ComponentHost* host = getHost()) host->invalidate(rect);
}

void Component::paintTree(Canvas& canvas, const Rect& dirty) {
    if (!visible_ || !bounds_.intersects(dirty)) return;
    paint(canvas);
    for (const auto& child : children_) child->paintTree(canvas, dirty);
}

Component* Component::findComponentAt(Point p) {
    if (!visible_) return nullptr;
    // Children may reach outside their owner (popups do), so they are asked first.
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        if (Component* found = (*it)->findComponentAt(p)) return found;
    return hitTest(p) ? this : nullptr;
}

}  // namespace gui
