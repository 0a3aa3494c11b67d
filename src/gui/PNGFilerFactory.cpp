#include "gui/PNGFilerFactory.h"

#include <cstring>

#include "gui/PNGFiler.h"

namespace gui {

std::unique_ptr<BitmapFiler> PNGFilerFactory::create(Bitmap& bitmap, InputStream& stream) const {
    const std::uint64_t start = stream.getPosition();
    std::uint8_t head[8];
    const std::size_t got = stream.read(head, sizeof head);
    stream.seek(start);
    if (got != sizeof head || std::memcmp(head, PNGFiler::kSignature, sizeof head) != 0) return nullptr;
    return std::make_unique<PNGFiler>(bitmap);
}

}  // namespace gui
