#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "gui/Image.h"

namespace gui {

class Bitmap;

// The embedded images by name ("KnobNormal.png"), found regardless of letter case. Images are
// decoded once and shared; the "@2x" version, when embedded, becomes the dense bitmap.
class Artwork {
public:
    // Raises EResource when the name is not embedded and EBitmap when it does not decode.
    static Image get(const std::string& name);
    static bool contains(const std::string& name);
    static std::vector<std::string> names();
    // The embedded bytes of one name (null when missing).
    static const unsigned char* find(const std::string& name, std::size_t& size);
    // Decodes bytes of any format a factory knows into a bitmap.
    static void decode(const unsigned char* data, std::size_t size, Bitmap& bitmap);
};

}  // namespace gui
