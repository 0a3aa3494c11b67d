#include "gui/HintWindow.h"

#include <algorithm>

#include "gui/Artwork.h"
#include "gui/Canvas.h"
#include "gui/ComponentHost.h"
#include "gui/Style.h"
#include "gui/TextMetrics.h"

namespace gui {

namespace {
constexpr int kLineHeight = 15;
constexpr const char* kName = "hint-window";
}  // namespace

HintWindow* HintWindow::find(ComponentHost& host) {
    return static_cast<HintWindow*>(host.findOverlay(kName));
}

HintWindow& HintWindow::show(ComponentHost& host, const std::string& text, const Rect& anchor) {
    if (HintWindow* existing = find(host)) {
        existing->setText(text, anchor);
        return *existing;
    }
    return static_cast<HintWindow&>(host.addOverlay(std::make_unique<HintWindow>(text, anchor)));
}

void HintWindow::hide(ComponentHost& host) {
    if (HintWindow* existing = find(host)) existing->closeLater();
}

HintWindow::HintWindow(std::string text, Rect anchor) : text_(std::move(text)), anchor_(anchor) {
    setName(kName);
    if (Artwork::contains("HelpHintBackground.png")) background_ = Artwork::get("HelpHintBackground.png");
}

void HintWindow::setText(const std::string& text, const Rect& anchor) {
    invalidate(panel_);
    text_ = text;
    anchor_ = anchor;
    place();
}

void HintWindow::place() {
    lines_ = TextMetrics::wrap(text_, kWidth - 20, Font{style::kSmallFontSize, false});
    const int height = int(lines_.size()) * kLineHeight + 16;
    const Rect& window = getBounds();
    int x = std::clamp(anchor_.x + anchor_.width / 2 - kWidth / 2, window.x + 4, std::max(window.x + 4, window.right() - kWidth - 4));
    int y = anchor_.bottom() + 6;
    if (y + height > window.bottom()) y = std::max(window.y + 4, anchor_.y - height - 6);
    panel_ = {x, y, kWidth, height};
    invalidate(panel_);
}

void HintWindow::paint(Canvas& canvas) {
    canvas.fillRoundedRect(panel_.translated(0, 2), 6, style::kShadow);
    if (!background_.isEmpty()) {
        canvas.drawImage(background_, panel_);
    } else {
        canvas.fillRoundedRect(panel_, 5, style::kPanelRaised);
    }
    int y = panel_.y + 8;
    for (const std::string& line : lines_) {
        canvas.drawText(line, {panel_.x + 10, y, panel_.width - 20, kLineHeight}, style::kText, Font{style::kSmallFontSize, false});
        y += kLineHeight;
    }
}

}  // namespace gui
