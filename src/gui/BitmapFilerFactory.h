#pragma once
#include <memory>

#include "gui/BitmapFiler.h"

namespace gui {

class Bitmap;

// Recognises one image format by its first bytes. create() leaves the stream where it was.
class BitmapFilerFactory {
public:
    virtual ~BitmapFilerFactory() = default;
    // A reader for the stream's format targeting `bitmap`, or null when the format is not ours.
    virtual std::unique_ptr<BitmapFiler> create(Bitmap& bitmap, InputStream& stream) const = 0;
};

}  // namespace gui
