#include "gui/BackBuffer.h"

#include <cairo.h>

#include <cmath>

#include "gui/Canvas.h"
#include "gui/Style.h"

namespace gui {

BackBuffer::~BackBuffer() {
    if (surface_) cairo_surface_destroy(surface_);
}

void BackBuffer::resize(int deviceWidth, int deviceHeight, double scale) {
    deviceWidth = std::max(1, deviceWidth);
    deviceHeight = std::max(1, deviceHeight);
    scale_ = scale > 0 ? scale : 1.0;
    if (!surface_ || deviceWidth != width_ || deviceHeight != height_) {
        if (surface_) cairo_surface_destroy(surface_);
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, deviceWidth, deviceHeight);
        width_ = deviceWidth;
        height_ = deviceHeight;
    }
    dirty_ = {0, 0, int(std::ceil(width_ / scale_)), int(std::ceil(height_ / scale_))};
}

void BackBuffer::invalidate(const Rect& rect) {
    const Rect all{0, 0, int(std::ceil(width_ / scale_)), int(std::ceil(height_ / scale_))};
    dirty_ = dirty_.united(rect.intersection(all));
}

Rect BackBuffer::paintDirty(const Painter& painter) {
    if (!surface_ || dirty_.isEmpty()) return {};
    const Rect dirty = dirty_;
    dirty_ = {};
    // The device rectangle covering the logical one, so fractional scales leave no seams.
    const int x0 = int(std::floor(dirty.x * scale_));
    const int y0 = int(std::floor(dirty.y * scale_));
    const int x1 = std::min(width_, int(std::ceil(dirty.right() * scale_)));
    const int y1 = std::min(height_, int(std::ceil(dirty.bottom() * scale_)));
    const Rect device{x0, y0, x1 - x0, y1 - y0};
    cairo_t* cr = cairo_create(surface_);
    cairo_rectangle(cr, device.x, device.y, device.width, device.height);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    const Colour bg = style::kWindow;
    cairo_set_source_rgb(cr, bg.r / 255.0, bg.g / 255.0, bg.b / 255.0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    {
        Canvas canvas(cr, scale_);
        canvas.pushClip(dirty);
        painter(canvas, dirty);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface_);
    return device;
}

const unsigned char* BackBuffer::getData() const { return surface_ ? cairo_image_surface_get_data(surface_) : nullptr; }

int BackBuffer::getStride() const { return surface_ ? cairo_image_surface_get_stride(surface_) : 0; }

}  // namespace gui
