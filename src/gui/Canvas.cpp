#include "gui/Canvas.h"

#include <cairo.h>

#include <cmath>

#include "gui/CairoBitmapSurface.h"

namespace gui {

Canvas::Canvas(cairo_t* context, double scale) : cr_(context), scale_(scale > 0 ? scale : 1.0) {
    cairo_save(cr_);
    cairo_scale(cr_, scale_, scale_);
}

Canvas::~Canvas() {
    while (!clips_.empty()) popClip();
    cairo_restore(cr_);
}

void Canvas::pushClip(const Rect& rect) {
    const Rect clip = clips_.empty() ? rect : rect.intersection(clips_.back());
    cairo_save(cr_);
    cairo_rectangle(cr_, clip.x, clip.y, std::max(0, clip.width), std::max(0, clip.height));
    cairo_clip(cr_);
    clips_.push_back(clip);
}

void Canvas::popClip() {
    if (clips_.empty()) return;
    clips_.pop_back();
    cairo_restore(cr_);
}

void Canvas::setAlpha(double alpha) { alpha_ = alpha < 0 ? 0 : alpha > 1 ? 1 : alpha; }

void Canvas::setColour(Colour colour) {
    cairo_set_source_rgba(cr_, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0, colour.a / 255.0 * alpha_);
}

void Canvas::addPath(const Path& path) {
    cairo_new_path(cr_);
    for (const Path::Element& e : path.elements()) {
        switch (e.op) {
            case Path::Op::Move: cairo_move_to(cr_, e.v[0], e.v[1]); break;
            case Path::Op::Line: cairo_line_to(cr_, e.v[0], e.v[1]); break;
            case Path::Op::Curve: cairo_curve_to(cr_, e.v[0], e.v[1], e.v[2], e.v[3], e.v[4], e.v[5]); break;
            case Path::Op::Arc: cairo_arc(cr_, e.v[0], e.v[1], e.v[2], e.v[3], e.v[4]); break;
            case Path::Op::Close: cairo_close_path(cr_); break;
        }
    }
}

void Canvas::fillRect(const Rect& rect, Colour colour) {
    if (rect.isEmpty()) return;
    setColour(colour);
    cairo_rectangle(cr_, rect.x, rect.y, rect.width, rect.height);
    cairo_fill(cr_);
}

void Canvas::strokeRect(const Rect& rect, Colour colour, double width) {
    if (rect.isEmpty()) return;
    setColour(colour);
    cairo_set_line_width(cr_, width);
    const double inset = width / 2;
    cairo_rectangle(cr_, rect.x + inset, rect.y + inset, rect.width - width, rect.height - width);
    cairo_stroke(cr_);
}

void Canvas::fillRoundedRect(const Rect& rect, double radius, Colour colour) {
    fillPath(Path().addRoundedRect(rect.x, rect.y, rect.width, rect.height, radius), colour);
}

void Canvas::strokeRoundedRect(const Rect& rect, double radius, Colour colour, double width) {
    const double inset = width / 2;
    strokePath(Path().addRoundedRect(rect.x + inset, rect.y + inset, rect.width - width, rect.height - width, radius),
               colour, width);
}

void Canvas::fillRoundedRectGradient(const Rect& rect, double radius, Colour top, Colour bottom) {
    if (rect.isEmpty()) return;
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, rect.y, 0, rect.bottom());
    cairo_pattern_add_color_stop_rgba(gradient, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0, top.a / 255.0 * alpha_);
    cairo_pattern_add_color_stop_rgba(gradient, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0,
                                      bottom.a / 255.0 * alpha_);
    addPath(Path().addRoundedRect(rect.x, rect.y, rect.width, rect.height, radius));
    cairo_set_source(cr_, gradient);
    cairo_fill(cr_);
    cairo_pattern_destroy(gradient);
}

void Canvas::drawLine(double x0, double y0, double x1, double y1, Colour colour, double width) {
    setColour(colour);
    cairo_set_line_width(cr_, width);
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    cairo_stroke(cr_);
}

void Canvas::drawVerticalLine(int x, int y0, int y1, Colour colour) {
    if (y1 <= y0) return;
    fillRect({x, y0, 1, y1 - y0}, colour);
}

void Canvas::fillPath(const Path& path, Colour colour) {
    setColour(colour);
    addPath(path);
    cairo_fill(cr_);
}

void Canvas::strokePath(const Path& path, Colour colour, double width) {
    setColour(colour);
    cairo_set_line_width(cr_, width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    addPath(path);
    cairo_stroke(cr_);
}

void Canvas::drawCurve(const std::function<double(double)>& f, double x0, double x1, double baseline, Colour stroke,
                       Colour fill, double width) {
    if (!(x1 > x0)) return;
    const double step = 1.0 / scale_;
    Path outline;
    bool started = false;
    for (double x = x0;; x += step) {
        const double clamped = std::min(x, x1);
        double y = f(clamped);
        if (!std::isfinite(y)) y = baseline;
        if (started) {
            outline.lineTo(clamped, y);
        } else {
            outline.moveTo(clamped, y);
            started = true;
        }
        if (clamped >= x1) break;
    }
    if (fill.a > 0) {
        Path area = outline;
        area.lineTo(x1, baseline).lineTo(x0, baseline).close();
        fillPath(area, fill);
    }
    if (stroke.a > 0) strokePath(outline, stroke, width);
}

void Canvas::drawBitmapScaled(const Bitmap& bitmap, double x, double y, double width, double height) {
    if (bitmap.isEmpty() || width <= 0 || height <= 0) return;
    cairo_surface_t* surface = CairoBitmapSurface::of(bitmap);
    if (!surface) return;
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, width / bitmap.getWidth(), height / bitmap.getHeight());
    cairo_set_source_surface(cr_, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr_, 0, 0, bitmap.getWidth(), bitmap.getHeight());
    cairo_clip(cr_);
    cairo_paint_with_alpha(cr_, alpha_);
    cairo_restore(cr_);
}

void Canvas::drawBitmap(const Bitmap& bitmap, double x, double y) {
    drawBitmapScaled(bitmap, x, y, bitmap.getWidth(), bitmap.getHeight());
}

void Canvas::drawImage(const Image& image, double x, double y) {
    if (image.isEmpty()) return;
    drawBitmapScaled(*image.pick(scale_), x, y, image.getWidth(), image.getHeight());
}

void Canvas::drawImage(const Image& image, const Rect& target) {
    if (image.isEmpty()) return;
    drawBitmapScaled(*image.pick(scale_), target.x, target.y, target.width, target.height);
}

void Canvas::selectFont(const Font& font) const {
    cairo_select_font_face(cr_, style::kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, font.size);
}

double Canvas::getTextWidth(const std::string& text, const Font& font) const {
    selectFont(font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    return extents.x_advance;
}

void Canvas::drawText(const std::string& text, const Rect& rect, Colour colour, const Font& font, Align align) {
    if (text.empty() || rect.isEmpty()) return;
    pushClip(rect);
    selectFont(font);
    cairo_font_extents_t fontExtents;
    cairo_font_extents(cr_, &fontExtents);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    double x = rect.x;
    if (align == Align::Centre) x = rect.x + (rect.width - extents.x_advance) / 2;
    if (align == Align::Right) x = rect.right() - extents.x_advance;
    const double baseline = rect.y + (rect.height + fontExtents.ascent - fontExtents.descent) / 2;
    // Whole device pixels keep glyphs crisp.
    x = std::round(x * scale_) / scale_;
    const double y = std::round(baseline * scale_) / scale_;
    setColour(colour);
    cairo_move_to(cr_, x, y);
    cairo_show_text(cr_, text.c_str());
    popClip();
}

}  // namespace gui
