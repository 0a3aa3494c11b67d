#include "gui/DialogLayer.h"

#include <algorithm>

#include "gui/Canvas.h"
#include "gui/Style.h"

namespace gui {

DialogLayer::DialogLayer(std::string title, int panelWidth, int panelHeight)
    : title_(std::move(title)), panelWidth_(panelWidth), panelHeight_(panelHeight) {}

void DialogLayer::setPanelSize(int width, int height) {
    panelWidth_ = width;
    panelHeight_ = height;
    boundsChanged();
}

void DialogLayer::boundsChanged() {
    const Rect& b = getBounds();
    const int w = std::min(panelWidth_, std::max(1, b.width - 16));
    const int h = std::min(panelHeight_, std::max(1, b.height - 16));
    panel_ = {b.x + (b.width - w) / 2, b.y + (b.height - h) / 2, w, h};
    layoutPanel();
    invalidate();
}

void DialogLayer::paint(Canvas& canvas) {
    canvas.fillRect(getBounds(), style::kScrim);
    canvas.fillRoundedRect(panel_.translated(0, 4), 8, style::kShadow);
    canvas.fillRoundedRect(panel_, 7, style::kPanelRaised);
    canvas.strokeRoundedRect(panel_, 7, style::kPanelBorder);
    canvas.fillRect({panel_.x + 1, panel_.y + 34, panel_.width - 2, 1}, style::kPanelBorder);
    canvas.drawText(title_, {panel_.x + 16, panel_.y, panel_.width - 32, 34}, style::kText, Font{style::kTitleFontSize, true});
}

}  // namespace gui
