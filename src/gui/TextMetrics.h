#pragma once
#include <string>
#include <vector>

#include "gui/Font.h"

namespace gui {

// Text measurement without a canvas (layout happens before painting). Uses the same font
// selection as Canvas, so measured and drawn widths agree.
class TextMetrics {
public:
    static double width(const std::string& text, const Font& font = {});
    // Breaks text into lines no wider than maxWidth, at spaces (and at '\n').
    static std::vector<std::string> wrap(const std::string& text, double maxWidth, const Font& font = {});
};

}  // namespace gui
