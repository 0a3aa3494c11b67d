#pragma once
#include "gui/InputStream.h"

namespace gui {

// Reads one image format from a byte stream into the bitmap it was created for. Failures raise
// EBitmap; the bitmap keeps whatever was decoded before the failure.
class BitmapFiler {
public:
    virtual ~BitmapFiler() = default;
    virtual void read(InputStream& stream) = 0;
};

}  // namespace gui
