#pragma once
#include <functional>
#include <string>

#include "gui/Colour.h"
#include "gui/Image.h"
#include "gui/RolloverValueControl.h"
#include "gui/Style.h"

namespace gui {

// A rotary control. Dragging inside the body maps vertical movement; pressing on the ring turns
// the knob with the pointer's angle; a click on the ring without dragging jumps to that angle.
// The knob's image sits at the top of its rectangle, centred; label and value text go below.
class Knob : public RolloverValueControl {
public:
    struct Style {
        Image normal;
        Image active;
        Image pressed;
        double sweepDegrees = style::kKnobSweepDegrees;
        // Share of the radius that is the inner (vertical drag) area.
        double innerFraction = 0.7;
        bool rotary = true;
        // Ignore rotary moves that would jump by more than half the range.
        bool refuseBigJumps = true;
        Colour arc = style::kAccent;
        // Draw the arc from the middle of the sweep (for pans and offsets).
        bool bipolar = false;
        // The standard 48-pixel and 32-pixel knobs from the artwork.
        static Style large();
        static Style small();
    };

    enum class Drag { Idle, Vertical, Rotary };

    Knob(int minimum, int maximum, int defaultPosition, Style style);

    const Style& getStyle() const { return style_; }
    Drag getDrag() const { return drag_; }
    void setLabel(std::string label);
    void setValueText(std::function<std::string(const Knob&)> text) { valueText_ = std::move(text); }

    // The square the knob's picture occupies.
    Rect getKnobArea() const;
    // The pointer angle of a point: 0 at the top, increasing clockwise, in 0..1.
    double angleAt(Point p) const;
    // The position shown at an angle (clamped to the sweep).
    int positionAtAngle(double angle) const;
    // The angle (in turns, 0 top, may be negative) at which a position is drawn.
    double angleOfPosition(int position) const;

    bool mouseDown(const MouseEvent& event) override;
    void mouseMove(const MouseEvent& event) override;
    void mouseUp(const MouseEvent& event) override;

protected:
    void paint(Canvas& canvas) override;
    bool hitTest(Point p) const override;

private:
    Style style_;
    Drag drag_ = Drag::Idle;
    std::string label_;
    std::function<std::string(const Knob&)> valueText_;
    // Rotary state.
    double lastAngle_ = 0;
    double turned_ = 0;
    int rotaryStart_ = 0;
    bool moved_ = false;
    Point pressPoint_;
    double pressAngle_ = 0;
};

}  // namespace gui
