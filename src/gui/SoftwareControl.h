#pragma once
#include <X11/Xlib.h>

#include "gui/BackBuffer.h"
#include "gui/DrawingControl.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gui {

// Paints the tree with Cairo into the back buffer and copies the changed part to the X window.
class SoftwareControl final : public DrawingControl {
public:
    SoftwareControl(Display* display, ::Window window, Visual* visual, BackBuffer::Painter painter);
    ~SoftwareControl() override;

    bool isAccelerated() const override { return false; }
    void invalidate(const Rect& rect) override { buffer_.invalidate(rect); }
    void exposed(const Rect& deviceRect) override;
    void paintPending() override;
    void resize(int deviceWidth, int deviceHeight, double scale) override;
    void stop() override;

private:
    void copyToWindow(const Rect& device);

    Display* display_;
    ::Window window_;
    Visual* visual_;
    BackBuffer::Painter painter_;
    BackBuffer buffer_;
    // The picture goes to the window with XPutImage when the visual takes its pixels unchanged;
    // otherwise through a Cairo Xlib surface, which converts.
    bool directCopy_ = false;
    int depth_ = 0;
    GC gc_ = nullptr;
    cairo_surface_t* windowSurface_ = nullptr;
    Rect exposedDevice_;
};

}  // namespace gui
