#include "gui/Bitmap.h"

#include <algorithm>

namespace gui {

Bitmap::Bitmap(int width, int height) { setSize(width, height); }

void Bitmap::setSize(int width, int height) {
    if (width <= 0 || height <= 0) width = height = 0;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    markChanged();
}

Colour Bitmap::getPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
    const std::uint8_t* p = row(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

void Bitmap::setPixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = row(y) + x * 4;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = colour.a;
    markChanged();
}

void Bitmap::setTransparency(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    // A copy, so a listener may unregister itself while being told.
    const std::vector<Listener*> listeners = listeners_;
    for (Listener* listener : listeners) listener->bitmapTransparencyChanged(*this);
}

void Bitmap::updateTransparency() {
    bool transparent = false;
    for (std::size_t i = 3; i < pixels_.size(); i += 4) {
        if (pixels_[i] != 255) {
            transparent = true;
            break;
        }
    }
    setTransparency(transparent);
}

void Bitmap::addListener(Listener* listener) {
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void Bitmap::removeListener(Listener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

}  // namespace gui
