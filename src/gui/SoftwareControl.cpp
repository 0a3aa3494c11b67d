#include "gui/SoftwareControl.h"

#include <cairo-xlib.h>
#include <cairo.h>

namespace gui {

SoftwareControl::SoftwareControl(Display* display, ::Window window, Visual* visual, BackBuffer::Painter painter)
    : display_(display), window_(window), visual_(visual), painter_(std::move(painter)) {
    XWindowAttributes attributes{};
    if (display_ && XGetWindowAttributes(display_, window_, &attributes)) depth_ = attributes.depth;
    directCopy_ = visual_ && (depth_ == 24 || depth_ == 32) && visual_->red_mask == 0xFF0000 &&
                  visual_->green_mask == 0x00FF00 && visual_->blue_mask == 0x0000FF;
    if (directCopy_) gc_ = XCreateGC(display_, window_, 0, nullptr);
}

SoftwareControl::~SoftwareControl() { stop(); }

void SoftwareControl::stop() {
    if (gc_) {
        XFreeGC(display_, gc_);
        gc_ = nullptr;
    }
    directCopy_ = false;
    if (windowSurface_) {
        cairo_surface_destroy(windowSurface_);
        windowSurface_ = nullptr;
    }
}

void SoftwareControl::resize(int deviceWidth, int deviceHeight, double scale) {
    buffer_.resize(deviceWidth, deviceHeight, scale);
    if (directCopy_) return;
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
    // On a 24- or 32-bit true-colour visual with the usual channel masks the back buffer's words
    // are already the server's pixels: they go as they are. That also keeps Cairo's Xlib backend,
    // which keeps per-connection records it never frees, off the common path.
    if (directCopy_) {
        const Rect r = device.intersection({0, 0, buffer_.getWidth(), buffer_.getHeight()});
        if (r.isEmpty()) return;
        cairo_surface_flush(buffer_.getSurface());
        XImage image{};
        image.width = buffer_.getWidth();
        image.height = buffer_.getHeight();
        image.format = ZPixmap;
        image.data = reinterpret_cast<char*>(const_cast<unsigned char*>(buffer_.getData()));
        image.byte_order = LSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = LSBFirst;
        image.bitmap_pad = 32;
        image.depth = depth_;
        image.bytes_per_line = buffer_.getStride();
        image.bits_per_pixel = 32;
        image.red_mask = 0xFF0000;
        image.green_mask = 0x00FF00;
        image.blue_mask = 0x0000FF;
        if (!XInitImage(&image)) return;
        XPutImage(display_, window_, gc_, &image, r.x, r.y, r.x, r.y, unsigned(r.width), unsigned(r.height));
        XFlush(display_);
        return;
    }
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
