#include "gui/TextMetrics.h"

#include <cairo.h>

#include <mutex>
#include <sstream>

#include "gui/Style.h"

namespace gui {

double TextMetrics::width(const std::string& text, const Font& font) {
    // One small surface for every measurement; Cairo contexts are not shared across threads.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, style::kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

std::vector<std::string> TextMetrics::wrap(const std::string& text, double maxWidth, const Font& font) {
    std::vector<std::string> lines;
    std::istringstream paragraphs(text);
    std::string paragraph;
    while (std::getline(paragraphs, paragraph)) {
        std::istringstream words(paragraph);
        std::string word;
        std::string line;
        while (words >> word) {
            const std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && width(candidate, font) > maxWidth) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace gui
