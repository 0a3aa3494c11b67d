#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/Colour.h"

namespace gui {

// A 32-bit image: width x height pixels of 4 bytes each (red, green, blue, alpha, straight alpha),
// rows top to bottom. Renderers keep converted copies (a Cairo surface, a texture) in the cache
// slot; every change of the pixels bumps the version so that stale copies are rebuilt.
class Bitmap {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // The transparency flag changed.
        virtual void bitmapTransparencyChanged(Bitmap& bitmap) = 0;
    };

    // Renderer-owned data attached to a bitmap.
    class Cache {
    public:
        virtual ~Cache() = default;
    };

    Bitmap() = default;
    Bitmap(int width, int height);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Resizes to width x height fully transparent pixels (0 x 0 for non-positive sizes).
    void setSize(int width, int height);
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }

    // Pixel access; outside the image reads as transparent black and writes are ignored.
    Colour getPixel(int x, int y) const;
    void setPixel(int x, int y, Colour colour);
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_ * 4; }
    const std::uint8_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_ * 4; }
    const std::vector<std::uint8_t>& getPixels() const { return pixels_; }

    // Whether any pixel has alpha below 255; listeners hear only about real changes.
    bool hasTransparency() const { return transparent_; }
    void setTransparency(bool transparent);
    // Recomputes the flag from the pixels.
    void updateTransparency();

    void addListener(Listener* listener);
    void removeListener(Listener* listener);

    // Call after writing through row(); invalidates renderer copies.
    void markChanged() { ++version_; }
    std::uint64_t getVersion() const { return version_; }
    Cache* getCache() const { return cache_.get(); }
    void setCache(std::unique_ptr<Cache> cache) const { cache_ = std::move(cache); }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
    bool transparent_ = false;
    std::uint64_t version_ = 0;
    std::vector<Listener*> listeners_;
    mutable std::unique_ptr<Cache> cache_;
};

}  // namespace gui
