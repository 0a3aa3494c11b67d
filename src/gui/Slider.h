#pragma once
#include "gui/Image.h"
#include "gui/RolloverValueControl.h"

namespace gui {

// A linear control: a track with a filled part and a thumb image, dragged along its axis.
class Slider : public RolloverValueControl {
public:
    enum class Orientation { Vertical, Horizontal };

    Slider(int minimum, int maximum, int defaultPosition, Orientation orientation = Orientation::Vertical);

    Orientation getOrientation() const { return orientation_; }
    // Where the thumb's centre is for the current position.
    Point getThumbCentre() const;

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent& event) override;

protected:
    void paint(Canvas& canvas) override;

private:
    // The mapper reads vertical movement; a horizontal slider turns rightward moves into upward ones.
    MouseEvent alongAxis(const MouseEvent& event) const;

    Orientation orientation_;
    Image thumb_;
    Image thumbActive_;
};

}  // namespace gui
