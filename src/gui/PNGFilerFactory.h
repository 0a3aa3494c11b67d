#pragma once
#include "gui/BitmapFilerFactory.h"

namespace gui {

// Answers PNG streams (the eight-byte PNG signature) with a PNGFiler.
class PNGFilerFactory final : public BitmapFilerFactory {
public:
    std::unique_ptr<BitmapFiler> create(Bitmap& bitmap, InputStream& stream) const override;
};

}  // namespace gui
