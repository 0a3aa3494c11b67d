#include "gui/CairoBitmapSurface.h"

#include <cairo.h>

#include <memory>

namespace gui {

CairoBitmapSurface::~CairoBitmapSurface() {
    if (surface_) cairo_surface_destroy(surface_);
}

cairo_surface_t* CairoBitmapSurface::of(const Bitmap& bitmap) {
    if (bitmap.isEmpty()) return nullptr;
    auto* cache = dynamic_cast<CairoBitmapSurface*>(bitmap.getCache());
    if (cache && cache->version_ == bitmap.getVersion()) return cache->surface_;
    auto fresh = std::make_unique<CairoBitmapSurface>();
    const int width = bitmap.getWidth();
    const int height = bitmap.getHeight();
    fresh->surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(fresh->surface_) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(fresh->surface_);
    unsigned char* data = cairo_image_surface_get_data(fresh->surface_);
    const int stride = cairo_image_surface_get_stride(fresh->surface_);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = bitmap.row(y);
        auto* target = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x, source += 4) {
            const std::uint32_t a = source[3];
            // Cairo wants premultiplied alpha in native-endian ARGB words.
            const std::uint32_t r = (source[0] * a + 127) / 255;
            const std::uint32_t g = (source[1] * a + 127) / 255;
            const std::uint32_t b = (source[2] * a + 127) / 255;
            target[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(fresh->surface_);
    fresh->version_ = bitmap.getVersion();
    cairo_surface_t* surface = fresh->surface_;
    bitmap.setCache(std::move(fresh));
    return surface;
}

}  // namespace gui
