#pragma once
#include <X11/Xlib.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/Component.h"
#include "gui/ComponentHost.h"
#include "gui/DrawingControl.h"
#include "gui/DrawingControlFactory.h"
#include "gui/TimerQueue.h"
#include "platform/LockedObject.h"
#include "platform/PosixAsyncEventQueue.h"

namespace gui {

class Bitmap;

// An X11 window showing a component tree: top-level for standalone use, or a child inside a
// window handed over by a host. It runs its own loop (run) or is driven by a host's periodic idle
// call (idle); either way X events, timers, watched descriptors and the asynchronous event queue
// are handled on the thread that created the window. Every event is handled, and every paint is
// done, inside the window's lock, which the render thread of the accelerated path takes too.
class Window final : public ComponentHost, public LockedObject {
public:
    struct Options {
        int width = 926;
        int height = 510;
        std::string title = "Kestrum";
        // A host window to live in (0: a top-level window).
        unsigned long parent = 0;
        // 0 draws with Cairo only; other values ask for OpenGL (low four bits: frame rate; 16: skip
        // the vendor test). Any refusal falls back to Cairo.
        int graphicsAcceleration = 0;
        // Device pixels per logical pixel; 0 reads KESTRUM_SCALE or GDK_SCALE (default 1).
        double scale = 0;
        // The X display to open (empty: $DISPLAY).
        std::string display;
        // Makes the OpenGL backend (empty: GLX); tests script the driver through it.
        DrawingControlFactory::BackendMaker glBackend;
    };

    // Opens the window; isOpen() is false when no X display could be reached.
    explicit Window(const Options& options);
    ~Window() override;

    bool isOpen() const { return open_; }
    // Loops until the window is closed (close button, close(), host destroying the parent).
    void run();
    // Handles everything pending without waiting (for hosts calling an idle function).
    void idle();
    // Waits up to `timeoutMs` for something to handle, then handles it; false once closed.
    bool runOnce(int timeoutMs);
    void close();

    // The content shown in the window; it is kept at the window's size.
    void setContent(std::unique_ptr<Component> content);
    Component* getContent() const { return content_; }
    Component& getRoot() { return *root_; }
    double getScale() const { return scale_; }
    bool isAccelerated() const { return control_ && control_->isAccelerated(); }
    const DrawingControl* getDrawingControl() const { return control_.get(); }
    PosixAsyncEventQueue& getEventQueue() { return queue_; }
    ::Window getNativeWindow() const { return window_; }
    Display* getDisplay() const { return display_; }
    void resize(int width, int height);

    // Paints the whole tree into a bitmap of the window's device size.
    void renderTo(Bitmap& bitmap);
    // Writes the whole window as a PNG file; false when it could not be written.
    bool saveScreenshot(const std::string& path);

    // ComponentHost
    void invalidate(const Rect& rect) override;
    void setCapture(Component* component) override { capture_ = component; }
    Component* getCapture() const override { return capture_; }
    void setFocus(Component* component) override;
    Component* getFocus() const override { return focus_; }
    TimerQueue& getTimers() override { return timers_; }
    void forgetComponent(Component& component) override;
    void deleteLater(std::unique_ptr<Component> component) override;
    Component& addOverlay(std::unique_ptr<Component> overlay) override;
    Component* findOverlay(const std::string& name) const override;
    Rect getWindowBounds() const override { return {0, 0, width_, height_}; }
    void watchFd(int fd, std::function<void()> onReadable) override;
    void unwatchFd(int fd) override;

private:
    class Root;

    void createWindow(const Options& options);
    void createControl(const Options& options);
    void handleEvent(XEvent& event);
    void handleButton(const XButtonEvent& event, bool press);
    void handleMotion(int x, int y, unsigned state);
    void handleKey(XKeyEvent& event);
    void deliverMouseDown(Component* target, const MouseEvent& event);
    void updateHover(const MouseEvent& event);
    void deactivate();
    void processPending();
    void handleSizeChange(int deviceWidth, int deviceHeight);
    Point toLogical(int x, int y) const;
    static int modifiersFromState(unsigned state);

    Display* display_ = nullptr;
    ::Window window_ = 0;
    Visual* visual_ = nullptr;
    Atom wmDelete_ = 0;
    bool open_ = false;
    bool destroyedByServer_ = false;
    double scale_ = 1.0;
    int width_ = 0;  // logical
    int height_ = 0;

    TimerQueue timers_;
    PosixAsyncEventQueue queue_;
    std::map<int, std::function<void()>> watched_;
    std::unique_ptr<DrawingControl> control_;
    // Components closed during an event; deleted when the event is done.
    std::vector<std::unique_ptr<Component>> graveyard_;
    std::unique_ptr<Component> root_;
    Component* content_ = nullptr;
    Component* capture_ = nullptr;
    Component* focus_ = nullptr;
    Component* hover_ = nullptr;
    int buttonsHeld_ = 0;

    // Double-click detection.
    Time lastPressTime_ = 0;
    int lastPressButton_ = 0;
    Point lastPressPosition_{-1000, -1000};
    int clickCount_ = 0;
};

}  // namespace gui
