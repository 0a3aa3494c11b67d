#pragma once
#include <string>

#include "gui/Component.h"

namespace gui {

// A modal layer over the whole window: a dimmed backdrop that swallows every mouse event and a
// centred panel with a title. Message boxes and the path-entry dialog are built on it.
class DialogLayer : public Component {
public:
    DialogLayer(std::string title, int panelWidth, int panelHeight);

    Rect getPanel() const { return panel_; }
    const std::string& getTitle() const { return title_; }

    bool mouseDown(const MouseEvent&) override { return true; }
    bool mouseWheel(const MouseEvent&) override { return true; }

protected:
    void paint(Canvas& canvas) override;
    bool hitTest(Point) const override { return true; }
    void boundsChanged() override;
    // Place the children relative to the panel.
    virtual void layoutPanel() = 0;
    void setPanelSize(int width, int height);

private:
    std::string title_;
    int panelWidth_;
    int panelHeight_;
    Rect panel_;
};

}  // namespace gui
