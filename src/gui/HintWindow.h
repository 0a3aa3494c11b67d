#pragma once
#include <string>
#include <vector>

#include "gui/Component.h"
#include "gui/Image.h"

namespace gui {

class ComponentHost;

// A help text floating near a control. It never takes the mouse, so the control under it keeps
// working; there is at most one per window.
class HintWindow final : public Component {
public:
    static constexpr int kWidth = 260;

    // Shows (or moves) the window's hint below `anchor`, or above it when there is no room.
    static HintWindow& show(ComponentHost& host, const std::string& text, const Rect& anchor);
    static void hide(ComponentHost& host);
    static HintWindow* find(ComponentHost& host);

    HintWindow(std::string text, Rect anchor);
    const std::string& getText() const { return text_; }
    Rect getPanel() const { return panel_; }
    void setText(const std::string& text, const Rect& anchor);

protected:
    void paint(Canvas& canvas) override;
    bool hitTest(Point) const override { return false; }
    void boundsChanged() override { place(); }

private:
    void place();

    std::string text_;
    Rect anchor_;
    Rect panel_;
    std::vector<std::string> lines_;
    Image background_;
};

}  // namespace gui
