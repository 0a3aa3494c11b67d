#include "gui/SoftwareControl.h"

#include <cairo-xlib.h>
#include <cairo.h>

namespace gui {

SoftwareControl::SoftwareControl(Display* display, ::Window window, Visual* visual, BackBuffer::Painter painter)
    : display_(display), window_(window), visual_(visual), painter_(std::move(painter)) {}

SoftwareControl::~SoftwareControl() { stop(); }

void SoftwareControl::stop() {
    if (windowSurface_) {
        cairo_surface_destroy(windowSurface_);
        windowSurface_ = nullptr;
    }
}

void SoftwareControl::resize(int deviceWidth, int deviceHeight, double scale) {
    buffer_.resize(deviceWidth, deviceHeight, scale);
    if (windowSurface_) {
        cairo_xlib_surface_set_size(windowSurface_, buffer_.getWidth(), buffer_.getHeight());
    } else {
        windowSurface_ = cairo_xlib_surface_create(display_, window_, visual_, buffer_.getWidth(), buffer_.getHeight());
    }
}

void SoftwareControl::exposed(const Rect& deviceRect) { exposedDevice_ = exposedDevice_.united(deviceRect); }

void SoftwareControl::paintPending() {
    const Rect painted = buffer_.paintDirty(painter_);
    const Rect copy = painted.united(exposedDevice_);
    exposedDevice_ = {};
    if (!copy.isEmpty()) copyToWindow(copy);
}

void SoftwareControl::copyToWindow(const Rect& device) {
    if (!windowSurface_) return;
    cairo_t* cr = cairo_create(windowSurface_);
    cairo_rectangle(cr, device.x, device.y, device.width, device.height);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, buffer_.getSurface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(windowSurface_);
    XFlush(display_);
}

}  // namespace gui
