#include "gui/Artwork.h"

#include <strings.h>

#include <map>
#include <mutex>

#include "gui/ArtworkResources.h"
#include "gui/EBitmap.h"
#include "gui/EResource.h"
#include "gui/MemoryInputStream.h"
#include "gui/PNGFilerFactory.h"

namespace gui {

namespace {

std::string lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string denseName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return name + "@2x";
    return name.substr(0, dot) + "@2x" + name.substr(dot);
}

}  // namespace

const unsigned char* Artwork::find(const std::string& name, std::size_t& size) {
    for (std::size_t i = 0; i < artwork::kEntryCount; ++i) {
        if (strcasecmp(artwork::kEntries[i].name, name.c_str()) == 0) {
            size = artwork::kEntries[i].size;
            return artwork::kEntries[i].data;
        }
    }
    size = 0;
    return nullptr;
}

bool Artwork::contains(const std::string& name) {
    std::size_t size = 0;
    return find(name, size) != nullptr;
}

std::vector<std::string> Artwork::names() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < artwork::kEntryCount; ++i) out.emplace_back(artwork::kEntries[i].name);
    return out;
}

void Artwork::decode(const unsigned char* data, std::size_t size, Bitmap& bitmap) {
    MemoryInputStream stream(data, size);
    const PNGFilerFactory png;
    std::unique_ptr<BitmapFiler> filer = png.create(bitmap, stream);
    if (!filer) throw EBitmap("Invalid PNG signature");
    filer->read(stream);
}

Image Artwork::get(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, Image> cache;
    std::lock_guard<std::mutex> lock(mutex);
    const std::string key = lower(name);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    std::size_t size = 0;
    const unsigned char* data = find(name, size);
    if (!data) throw EResource(name);
    auto normal = std::make_shared<Bitmap>();
    decode(data, size, *normal);
    std::shared_ptr<Bitmap> dense;
    std::size_t denseSize = 0;
    if (const unsigned char* denseData = find(denseName(name), denseSize)) {
        dense = std::make_shared<Bitmap>();
        decode(denseData, denseSize, *dense);
    }
    Image image(normal, dense);
    cache.emplace(key, image);
    return image;
}

}  // namespace gui
