#pragma once
#include <cstdint>

#include "gui/Bitmap.h"

typedef struct _cairo_surface cairo_surface_t;

namespace gui {

// A bitmap's pixels as a premultiplied Cairo image surface, kept in the bitmap's cache slot and
// rebuilt when the bitmap's version changes.
class CairoBitmapSurface final : public Bitmap::Cache {
public:
    ~CairoBitmapSurface() override;
    // The surface for a bitmap (null for an empty one); valid until the bitmap changes.
    static cairo_surface_t* of(const Bitmap& bitmap);

private:
    cairo_surface_t* surface_ = nullptr;
    std::uint64_t version_ = 0;
};

}  // namespace gui
