#pragma once
#include <functional>
#include <string>
#include <vector>

#include "gui/Bitmap.h"
#include "gui/Colour.h"
#include "gui/Font.h"
#include "gui/Image.h"
#include "gui/Path.h"
#include "gui/Rect.h"

typedef struct _cairo cairo_t;

namespace gui {

// Draws into a Cairo context in logical pixels; the context's device may be denser (scale 2 on
// high-density screens). Colours are straight RGBA; the canvas alpha multiplies every colour and
// image drawn. Clips nest: pushClip narrows, popClip restores the previous clip.
class Canvas {
public:
    Canvas(cairo_t* context, double scale);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    double getScale() const { return scale_; }
    cairo_t* getContext() const { return cr_; }

    void pushClip(const Rect& rect);
    void popClip();
    // The current clip in logical pixels.
    Rect getClip() const { return clips_.empty() ? Rect{-(1 << 20), -(1 << 20), 1 << 21, 1 << 21} : clips_.back(); }

    double getAlpha() const { return alpha_; }
    void setAlpha(double alpha);

    void fillRect(const Rect& rect, Colour colour);
    void strokeRect(const Rect& rect, Colour colour, double width = 1.0);
    void fillRoundedRect(const Rect& rect, double radius, Colour colour);
    void strokeRoundedRect(const Rect& rect, double radius, Colour colour, double width = 1.0);
    // A vertical gradient from `top` to `bottom` colour.
    void fillRoundedRectGradient(const Rect& rect, double radius, Colour top, Colour bottom);
    void drawLine(double x0, double y0, double x1, double y1, Colour colour, double width = 1.0);
    // A one-pixel vertical line covering whole pixels from y0 to y1 (exclusive).
    void drawVerticalLine(int x, int y0, int y1, Colour colour);
    void fillPath(const Path& path, Colour colour);
    void strokePath(const Path& path, Colour colour, double width = 1.0);

    // A curve y = f(x) sampled every pixel from x0 to x1: filled down to `baseline` with `fill`
    // and stroked with `stroke` (either may be fully transparent to skip it).
    void drawCurve(const std::function<double(double)>& f, double x0, double x1, double baseline, Colour stroke,
                   Colour fill, double width = 1.5);

    // Bitmaps at their own pixel size (one bitmap pixel per logical pixel).
    void drawBitmap(const Bitmap& bitmap, double x, double y);
    // Images at their logical size, picking the bitmap that matches the scale.
    void drawImage(const Image& image, double x, double y);
    // Images stretched into a rectangle.
    void drawImage(const Image& image, const Rect& target);

    // Text inside a rectangle, vertically centred, horizontally aligned; cut at the rectangle.
    void drawText(const std::string& text, const Rect& rect, Colour colour, const Font& font = {},
                  Align align = Align::Left);
    double getTextWidth(const std::string& text, const Font& font = {}) const;

private:
    void setColour(Colour colour);
    void addPath(const Path& path);
    void drawBitmapScaled(const Bitmap& bitmap, double x, double y, double width, double height);
    void selectFont(const Font& font) const;

    cairo_t* cr_;
    double scale_;
    double alpha_ = 1.0;
    std::vector<Rect> clips_;
};

}  // namespace gui
