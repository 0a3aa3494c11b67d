#pragma once
#include <memory>

#include "gui/Bitmap.h"

namespace gui {

// One picture at normal and, optionally, double pixel density. Its size is the normal bitmap's
// size in logical pixels; a canvas with a scale factor of 1.5 or more draws the dense bitmap.
class Image {
public:
    Image() = default;
    Image(std::shared_ptr<Bitmap> normal, std::shared_ptr<Bitmap> dense) : normal_(std::move(normal)), dense_(std::move(dense)) {}

    bool isEmpty() const { return !normal_ || normal_->isEmpty(); }
    int getWidth() const { return normal_ ? normal_->getWidth() : 0; }
    int getHeight() const { return normal_ ? normal_->getHeight() : 0; }

    const Bitmap* pick(double scale) const { return scale >= 1.5 && dense_ ? dense_.get() : normal_.get(); }
    const Bitmap* getNormal() const { return normal_.get(); }
    const Bitmap* getDense() const { return dense_.get(); }
    // The pixel under a logical position (alpha 0 outside), for hit tests against the picture.
    Colour getPixel(int x, int y) const { return normal_ ? normal_->getPixel(x, y) : Colour{0, 0, 0, 0}; }

private:
    std::shared_ptr<Bitmap> normal_;
    std::shared_ptr<Bitmap> dense_;
};

}  // namespace gui
