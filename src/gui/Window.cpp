#include "gui/Window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "gui/DrawingControlFactory.h"
#include "gui/Modifiers.h"
#include "gui/Style.h"
#include "platform/ScopedLock.h"

namespace gui {

// The root of the tree: the content first, overlays above it. Everything is kept at window size.
class Window::Root final : public Component {
public:
    void layout(const Rect& bounds) {
        setBounds(bounds);
        for (const auto& child : getChildren()) child->setBounds(bounds);
    }

protected:
    void paint(Canvas& canvas) override { canvas.fillRect(getBounds(), style::kWindow); }
};

namespace {

double scaleFromEnvironment() {
    for (const char* name : {"KESTRUM_SCALE", "GDK_SCALE"}) {
        if (const char* value = std::getenv(name)) {
            const double scale = std::atof(value);
            if (scale >= 1.0 && scale <= 4.0) return scale;
        }
    }
    return 1.0;
}

// Latin-1 text from XLookupString as UTF-8.
std::string latin1ToUtf8(const char* text, int length) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

Window::Window(const Options& options) : root_(std::make_unique<Root>()) {
    root_->setHost(this);
    createWindow(options);
}

Window::~Window() {
    // The render thread goes first: it paints the tree and draws into the window.
    if (control_) control_->stop();
    {
        ScopedLock lock(*this);
        graveyard_.clear();
        root_.reset();
        control_.reset();
    }
    if (display_) {
        if (window_ && !destroyedByServer_) XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
}

void Window::createWindow(const Options& options) {
    display_ = XOpenDisplay(options.display.empty() ? nullptr : options.display.c_str());
    if (!display_) return;
    scale_ = options.scale > 0 ? options.scale : scaleFromEnvironment();
    width_ = std::max(1, options.width);
    height_ = std::max(1, options.height);
    const int screen = DefaultScreen(display_);
    visual_ = DefaultVisual(display_, screen);
    const ::Window parent = options.parent ? ::Window(options.parent) : RootWindow(display_, screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | EnterWindowMask | LeaveWindowMask | KeyPressMask | FocusChangeMask;
    const int deviceWidth = int(std::lround(width_ * scale_));
    const int deviceHeight = int(std::lround(height_ * scale_));
    window_ = XCreateWindow(display_, parent, 0, 0, deviceWidth, deviceHeight, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (!options.parent) {
        XStoreName(display_, window_, options.title.c_str());
        wmDelete_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &wmDelete_, 1);
    }
    open_ = true;
    root_->setBounds({0, 0, width_, height_});
    createControl(options);
    XMapWindow(display_, window_);
    XSync(display_, False);
}

void Window::createControl(const Options& options) {
    BackBuffer::Painter painter = [this](Canvas& canvas, const Rect& dirty) {
        if (root_) root_->paintTree(canvas, dirty);
    };
    const int deviceWidth = int(std::lround(width_ * scale_));
    const int deviceHeight = int(std::lround(height_ * scale_));
    control_ = DrawingControlFactory::create(options.graphicsAcceleration, display_, window_, visual_, *this, painter,
                                             deviceWidth, deviceHeight, options.glBackend);
    control_->resize(deviceWidth, deviceHeight, scale_);
}

void Window::setContent(std::unique_ptr<Component> content) {
    ScopedLock lock(*this);
    if (content_) deleteLater(root_->removeChild(*content_));
    content_ = content.get();
    if (!content_) return;
    content_->setBounds({0, 0, width_, height_});
    // The content goes below the overlays already shown: they are moved back on top.
    std::vector<Component*> overlays;
    for (const auto& child : root_->getChildren()) overlays.push_back(child.get());
    root_->addChild(std::move(content));
    for (Component* overlay : overlays) root_->addChild(root_->removeChild(*overlay));
    root_->invalidate();
}

void Window::resize(int width, int height) {
    if (!display_) return;
    XResizeWindow(display_, window_, int(std::lround(std::max(1, width) * scale_)),
                  int(std::lround(std::max(1, height) * scale_)));
    XFlush(display_);
}

void Window::handleSizeChange(int deviceWidth, int deviceHeight) {
    const int width = std::max(1, int(std::lround(deviceWidth / scale_)));
    const int height = std::max(1, int(std::lround(deviceHeight / scale_)));
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    // Open menus and drags refer to the old layout.
    deactivate();
    static_cast<Root&>(*root_).layout({0, 0, width_, height_});
    control_->resize(deviceWidth, deviceHeight, scale_);
}

void Window::invalidate(const Rect& rect) {
    if (control_) control_->invalidate(rect);
}

void Window::setFocus(Component* component) {
    if (component == focus_) return;
    Component* previous = focus_;
    focus_ = component;
    if (previous) previous->focusChanged(false);
    if (focus_) {
        focus_->focusChanged(true);
        // A window inside a host gets the keyboard only when it asks for it.
        if (display_ && open_) XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    }
}

void Window::forgetComponent(Component& component) {
    auto gone = [&](Component* c) { return c && (c == &component || component.isAncestorOf(*c)); };
    if (gone(capture_)) capture_ = nullptr;
    if (gone(hover_)) hover_ = nullptr;
    if (gone(focus_)) focus_ = nullptr;
    if (gone(content_)) content_ = nullptr;
}

void Window::deleteLater(std::unique_ptr<Component> component) {
    if (component) graveyard_.push_back(std::move(component));
}

Component& Window::addOverlay(std::unique_ptr<Component> overlay) {
    // Laid out once it is in the tree, so that a dialog can give its field the focus.
    Component& added = root_->addChild(std::move(overlay));
    added.setBounds({0, 0, width_, height_});
    return added;
}

Component* Window::findOverlay(const std::string& name) const {
    for (const auto& child : root_->getChildren())
        if (child.get() != content_ && child->getName() == name) return child.get();
    return nullptr;
}

void Window::watchFd(int fd, std::function<void()> onReadable) { watched_[fd] = std::move(onReadable); }

void Window::unwatchFd(int fd) { watched_.erase(fd); }

Point Window::toLogical(int x, int y) const {
    return {int(std::floor(x / scale_)), int(std::floor(y / scale_))};
}

int Window::modifiersFromState(unsigned state) {
    int m = 0;
    if (state & ShiftMask) m |= modifiers::kShift;
    if (state & Mod1Mask) m |= modifiers::kAlt;
    if (state & ControlMask) m |= modifiers::kCtrl;
    if (state & Mod4Mask) m |= modifiers::kFurther;
    return m;
}

void Window::deliverMouseDown(Component* target, const MouseEvent& event) {
    // The press goes to the deepest component that takes it, then up through its owners.
    for (Component* c = target; c; c = c->getParent()) {
        if (!c->isEnabled()) continue;
        const bool taken = event.clickCount >= 2 ? c->mouseDoubleClick(event) : c->mouseDown(event);
        if (taken) {
            // A handler may have closed a menu and itself with it; capture only what still lives.
            if (c->getHost() == this && c->isShowing()) capture_ = c;
            return;
        }
        if (c->getHost() != this) return;  // the component left the tree while handling the press
    }
}

void Window::handleButton(const XButtonEvent& x, bool press) {
    MouseEvent event;
    event.position = toLogical(x.x, x.y);
    event.modifiers = modifiersFromState(x.state);
    if (x.button >= 4 && x.button <= 7) {
        if (!press) return;
        event.wheel = (x.button == 4 || x.button == 6) ? 1.0 : -1.0;
        Component* target = capture_ ? capture_ : root_->findComponentAt(event.position);
        for (Component* c = target; c; c = c->getParent())
            if (c->isEnabled() && c->mouseWheel(event)) break;
        return;
    }
    event.button = int(x.button);
    const int bit = 1 << (x.button - 1);
    if (press) {
        buttonsHeld_ |= bit;
        event.buttons = buttonsHeld_;
        const Point p = event.position;
        const bool near = std::abs(p.x - lastPressPosition_.x) <= 4 && std::abs(p.y - lastPressPosition_.y) <= 4;
        const bool quick = x.time - lastPressTime_ <= Time(style::kDoubleClickMs);
        clickCount_ = (near && quick && lastPressButton_ == event.button && clickCount_ == 1) ? 2 : 1;
        lastPressTime_ = x.time;
        lastPressButton_ = event.button;
        lastPressPosition_ = p;
        event.clickCount = clickCount_;
        if (capture_) {
            // Another button during a drag goes to the dragging component.
            capture_->mouseDown(event);
            return;
        }
        deliverMouseDown(root_->findComponentAt(p), event);
    } else {
        buttonsHeld_ &= ~bit;
        event.buttons = buttonsHeld_;
        if (Component* target = capture_) {
            if (buttonsHeld_ == 0) capture_ = nullptr;
            target->mouseUp(event);
        }
        updateHover(event);
    }
}

void Window::updateHover(const MouseEvent& event) {
    Component* under = root_->findComponentAt(event.position);
    if (under == hover_) return;
    Component* previous = hover_;
    hover_ = under;
    if (previous) previous->mouseLeave();
    if (hover_ == under && under) under->mouseEnter(event);
}

void Window::handleMotion(int x, int y, unsigned state) {
    MouseEvent event;
    event.position = toLogical(x, y);
    event.modifiers = modifiersFromState(state);
    event.buttons = buttonsHeld_;
    if (capture_) {
        capture_->mouseMove(event);
        return;
    }
    updateHover(event);
    if (hover_) hover_->mouseMove(event);
}

void Window::handleKey(XKeyEvent& x) {
    char text[32];
    KeySym keysym = 0;
    const int length = XLookupString(&x, text, sizeof text, &keysym, nullptr);
    KeyEvent event;
    event.modifiers = modifiersFromState(x.state);
    switch (keysym) {
        case XK_BackSpace: event.key = KeyEvent::Key::Backspace; break;
        case XK_Delete: case XK_KP_Delete: event.key = KeyEvent::Key::Delete; break;
        case XK_Left: case XK_KP_Left: event.key = KeyEvent::Key::Left; break;
        case XK_Right: case XK_KP_Right: event.key = KeyEvent::Key::Right; break;
        case XK_Up: case XK_KP_Up: event.key = KeyEvent::Key::Up; break;
        case XK_Down: case XK_KP_Down: event.key = KeyEvent::Key::Down; break;
        case XK_Home: case XK_KP_Home: event.key = KeyEvent::Key::Home; break;
        case XK_End: case XK_KP_End: event.key = KeyEvent::Key::End; break;
        case XK_Return: case XK_KP_Enter: event.key = KeyEvent::Key::Enter; break;
        case XK_Escape: event.key = KeyEvent::Key::Escape; break;
        case XK_Tab: case XK_ISO_Left_Tab: event.key = KeyEvent::Key::Tab; break;
        default:
            if (length > 0 && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7F) {
                event.key = KeyEvent::Key::Character;
                event.text = latin1ToUtf8(text, length);
            }
            break;
    }
    if (event.key == KeyEvent::Key::Other) return;
    // The focused component and its owners first; without focus, the topmost overlay.
    Component* target = focus_;
    if (!target && root_->getChildren().size() > 1) target = root_->getChildren().back().get();
    for (Component* c = target; c; c = c->getParent()) {
        if (c->keyPressed(event)) return;
        if (c->getHost() != this) return;
    }
}

void Window::deactivate() {
    if (capture_) {
        // A drag cut short still ends as a release, so edit gestures stay balanced.
        Component* target = capture_;
        capture_ = nullptr;
        MouseEvent event;
        event.button = MouseEvent::kLeft;
        target->mouseUp(event);
    }
    buttonsHeld_ = 0;
    // Copies: components may close themselves.
    std::vector<Component*> children;
    for (const auto& child : root_->getChildren()) children.push_back(child.get());
    for (Component* child : children) child->windowDeactivated();
}

void Window::handleEvent(XEvent& event) {
    switch (event.type) {
        case Expose: {
            const XExposeEvent& e = event.xexpose;
            control_->exposed({e.x, e.y, e.width, e.height});
            break;
        }
        case ConfigureNotify:
            if (event.xconfigure.window == window_) handleSizeChange(event.xconfigure.width, event.xconfigure.height);
            break;
        case ButtonPress: handleButton(event.xbutton, true); break;
        case ButtonRelease: handleButton(event.xbutton, false); break;
        case MotionNotify: {
            // Only the newest position of a burst matters.
            while (XCheckTypedWindowEvent(display_, window_, MotionNotify, &event)) {
            }
            handleMotion(event.xmotion.x, event.xmotion.y, event.xmotion.state);
            break;
        }
        case LeaveNotify:
            // Moving onto our own drawing child is not leaving.
            if (event.xcrossing.detail != NotifyInferior && !capture_ && hover_) {
                Component* previous = hover_;
                hover_ = nullptr;
                previous->mouseLeave();
            }
            break;
        case KeyPress: handleKey(event.xkey); break;
        case FocusOut:
            if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior) deactivate();
            break;
        case ClientMessage:
            if (Atom(event.xclient.data.l[0]) == wmDelete_) close();
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_) {
                // The host destroyed its window and ours with it.
                destroyedByServer_ = true;
                open_ = false;
            }
            break;
        default: break;
    }
    graveyard_.clear();
}

void Window::processPending() {
    ScopedLock lock(*this);
    if (!display_) return;
    while (open_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handleEvent(event);
    }
    if (!open_) return;
    queue_.drain();
    timers_.runDue();
    graveyard_.clear();
    control_->paintPending();
    XFlush(display_);
}

bool Window::runOnce(int timeoutMs) {
    if (!open_) return false;
    if (XPending(display_) == 0) {
        std::vector<pollfd> fds;
        fds.push_back({ConnectionNumber(display_), POLLIN, 0});
        if (queue_.getFd() >= 0) fds.push_back({queue_.getFd(), POLLIN, 0});
        for (const auto& entry : watched_) fds.push_back({entry.first, POLLIN, 0});
        int wait = timeoutMs;
        const int timer = timers_.msUntilNext();
        if (timer >= 0 && (wait < 0 || timer < wait)) wait = timer;
        poll(fds.data(), fds.size(), wait);
        std::vector<int> readable;
        for (const pollfd& p : fds)
            if ((p.revents & (POLLIN | POLLHUP | POLLERR)) && watched_.count(p.fd)) readable.push_back(p.fd);
        if (!readable.empty()) {
            ScopedLock lock(*this);
            for (int fd : readable) {
                auto it = watched_.find(fd);
                if (it == watched_.end()) continue;
                auto callback = it->second;  // the callback may unwatch itself
                callback();
            }
            graveyard_.clear();
        }
    }
    processPending();
    // The render thread is stopped outside the lock it may be waiting for.
    if (!open_ && control_) control_->stop();
    return open_;
}

void Window::run() {
    while (runOnce(-1)) {
    }
}

void Window::idle() { runOnce(0); }

void Window::close() {
    if (!open_) return;
    open_ = false;
    if (display_ && !destroyedByServer_) {
        XUnmapWindow(display_, window_);
        XFlush(display_);
    }
}

void Window::renderTo(Bitmap& bitmap) {
    ScopedLock lock(*this);
    const int deviceWidth = int(std::lround(width_ * scale_));
    const int deviceHeight = int(std::lround(height_ * scale_));
    BackBuffer buffer;
    buffer.resize(deviceWidth, deviceHeight, scale_);
    buffer.paintDirty([this](Canvas& canvas, const Rect& dirty) { root_->paintTree(canvas, dirty); });
    bitmap.setSize(deviceWidth, deviceHeight);
    for (int y = 0; y < deviceHeight; ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(buffer.getData() + y * buffer.getStride());
        std::uint8_t* target = bitmap.row(y);
        for (int x = 0; x < deviceWidth; ++x, target += 4) {
            const std::uint32_t p = source[x];
            const std::uint32_t a = p >> 24;
            auto unpremultiply = [a](std::uint32_t c) { return std::uint8_t(a ? std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) : 0); };
            target[0] = unpremultiply((p >> 16) & 0xFF);
            target[1] = unpremultiply((p >> 8) & 0xFF);
            target[2] = unpremultiply(p & 0xFF);
            target[3] = std::uint8_t(a);
        }
    }
    bitmap.markChanged();
    bitmap.updateTransparency();
}

bool Window::saveScreenshot(const std::string& path) {
    ScopedLock lock(*this);
    BackBuffer buffer;
    buffer.resize(int(std::lround(width_ * scale_)), int(std::lround(height_ * scale_)), scale_);
    buffer.paintDirty([this](Canvas& canvas, const Rect& dirty) { root_->paintTree(canvas, dirty); });
    return cairo_surface_write_to_png(buffer.getSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace gui
