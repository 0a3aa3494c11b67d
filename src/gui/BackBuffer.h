#pragma once
#include <functional>

#include "gui/Rect.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gui {

class Canvas;

// The window's picture in memory: a premultiplied ARGB image of the window's device size, and the
// region still to be repainted in it. Both drawing paths paint the component tree here; they differ
// only in how the picture reaches the screen.
class BackBuffer {
public:
    using Painter = std::function<void(Canvas&, const Rect& dirty)>;

    BackBuffer() = default;
    ~BackBuffer();
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    // Device size and the scale from logical to device pixels. Marks everything dirty.
    void resize(int deviceWidth, int deviceHeight, double scale);
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    double getScale() const { return scale_; }

    // Logical rectangle to repaint.
    void invalidate(const Rect& rect);
    bool hasDirty() const { return !dirty_.isEmpty(); }
    // Paints the dirty region and returns it in device pixels (empty when nothing was dirty).
    Rect paintDirty(const Painter& painter);

    cairo_surface_t* getSurface() const { return surface_; }
    // Row-major BGRA (little-endian ARGB words) premultiplied pixels; stride in bytes.
    const unsigned char* getData() const;
    int getStride() const;

private:
    cairo_surface_t* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    double scale_ = 1.0;
    Rect dirty_;
};

}  // namespace gui
