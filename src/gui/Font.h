#pragma once
#include "gui/Style.h"

namespace gui {

struct Font {
    double size = style::kFontSize;
    bool bold = false;
};

enum class Align { Left, Centre, Right };

}  // namespace gui
