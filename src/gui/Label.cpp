#include "gui/Label.h"

#include "gui/Canvas.h"

namespace gui {

void Label::paint(Canvas& canvas) { canvas.drawText(text_, getBounds(), colour_, font_, align_); }

}  // namespace gui
