#pragma once
#include <functional>
#include <memory>
#include <string>

#include "gui/Rect.h"

namespace gui {

class Component;
class TimerQueue;

// What a component tree needs from the window that shows it. Called on the user-interface thread
// under the window's lock.
class ComponentHost {
public:
    virtual ~ComponentHost() = default;

    // Schedules a repaint of a rectangle in window pixels.
    virtual void invalidate(const Rect& rect) = 0;
    // Sends every mouse event to `component` until released (null releases).
    virtual void setCapture(Component* component) = 0;
    virtual Component* getCapture() const = 0;
    // The component that receives key events (null for none).
    virtual void setFocus(Component* component) = 0;
    virtual Component* getFocus() const = 0;
    // Timers and delays of this window.
    virtual TimerQueue& getTimers() = 0;
    // A component is being destroyed or removed: forget every reference to it and its children.
    virtual void forgetComponent(Component& component) = 0;
    // Deletes a component after the current event has been handled (closing a menu from its own
    // click handler, for example).
    virtual void deleteLater(std::unique_ptr<Component> component) = 0;
    // Adds a full-window overlay (menus, message boxes, hints) above everything else.
    virtual Component& addOverlay(std::unique_ptr<Component> overlay) = 0;
    // The open overlay with a name, or null.
    virtual Component* findOverlay(const std::string& name) const = 0;
    // The window's size in logical pixels.
    virtual Rect getWindowBounds() const = 0;
    // Calls `onReadable` on the user-interface loop whenever `fd` becomes readable, until
    // unwatched (used for helper processes such as file dialogs).
    virtual void watchFd(int fd, std::function<void()> onReadable) = 0;
    virtual void unwatchFd(int fd) = 0;
};

}  // namespace gui
