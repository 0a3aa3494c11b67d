#include "gui/Knob.h"

#include <cmath>
#include <cstdlib>

#include "gui/Artwork.h"
#include "gui/Canvas.h"

namespace gui {

namespace {

constexpr double kTau = 2 * M_PI;

double wrapTurn(double a) {
    a -= std::floor(a);
    return a >= 1.0 ? 0.0 : a;
}

}  // namespace

Knob::Style Knob::Style::large() {
    Style s;
    s.normal = Artwork::get("KnobNormal.png");
    s.active = Artwork::get("KnobActive.png");
    s.pressed = Artwork::get("KnobPressed.png");
    return s;
}

Knob::Style Knob::Style::small() {
    Style s;
    s.normal = Artwork::get("KnobSmallNormal.png");
    s.active = Artwork::get("KnobSmallActive.png");
    s.pressed = Artwork::get("KnobSmallPressed.png");
    return s;
}

Knob::Knob(int minimum, int maximum, int defaultPosition, Style style)
    : RolloverValueControl(minimum, maximum, defaultPosition), style_(std::move(style)) {
    if (style_.sweepDegrees <= 0 || style_.sweepDegrees > 360) style_.sweepDegrees = 300;
}

void Knob::setLabel(std::string label) {
    label_ = std::move(label);
    invalidate();
}

Rect Knob::getKnobArea() const {
    const Rect& b = getBounds();
    int size = style_.normal.isEmpty() ? std::min(b.width, b.height) : style_.normal.getWidth();
    size = std::min(size, b.width);
    return {b.x + (b.width - size) / 2, b.y, size, size};
}

double Knob::angleAt(Point p) const {
    const Rect area = getKnobArea();
    const double dx = p.x - (area.x + area.width / 2.0);
    const double dy = p.y - (area.y + area.height / 2.0);
    if (dx == 0 && dy == 0) return 0;
    return wrapTurn(std::atan2(dy, dx) / kTau + 0.25);
}

int Knob::positionAtAngle(double angle) const {
    // Angles past the bottom gap belong to the nearer end of the sweep.
    double u = wrapTurn(angle);
    if (u > 0.5) u -= 1.0;
    const double half = style_.sweepDegrees / 720.0;
    const double fraction = std::clamp((u + half) / (2 * half), 0.0, 1.0);
    return getMinimum() + int(std::lround(fraction * (getMaximum() - getMinimum())));
}

double Knob::angleOfPosition(int position) const {
    const int range = getMaximum() - getMinimum();
    const double fraction = range == 0 ? 0.0 : double(position - getMinimum()) / range;
    const double half = style_.sweepDegrees / 720.0;
    return -half + fraction * 2 * half;
}

bool Knob::hitTest(Point p) const { return getBounds().contains(p); }

bool Knob::mouseDown(const MouseEvent& event) {
    if (event.button != MouseEvent::kLeft) return false;
    if (resetIfAsked(event.modifiers)) {
        drag_ = Drag::Idle;
        return true;
    }
    const Rect area = getKnobArea();
    const double dx = event.position.x - (area.x + area.width / 2.0);
    const double dy = event.position.y - (area.y + area.height / 2.0);
    const double radius = area.width / 2.0;
    const bool onRing = std::hypot(dx, dy) > radius * style_.innerFraction;
    moved_ = false;
    pressPoint_ = event.position;
    if (style_.rotary && onRing) {
        beginGesture(event.modifiers);
        drag_ = Drag::Rotary;
        lastAngle_ = pressAngle_ = angleAt(event.position);
        turned_ = 0;
        rotaryStart_ = getPosition();
        invalidate();
        return true;
    }
    drag_ = Drag::Vertical;
    return RolloverValueControl::mouseDown(event);
}

void Knob::mouseMove(const MouseEvent& event) {
    if (drag_ == Drag::Vertical) {
        RolloverValueControl::mouseMove(event);
        return;
    }
    if (drag_ != Drag::Rotary) return;
    if (std::abs(event.position.x - pressPoint_.x) > ValueDragMapper::kPressSlop ||
        std::abs(event.position.y - pressPoint_.y) > ValueDragMapper::kPressSlop)
        moved_ = true;
    if (!moved_) return;
    const double angle = angleAt(event.position);
    double delta = angle - lastAngle_;
    // The shorter way round: crossing the top must not count as a full turn.
    if (delta > 0.5) delta -= 1.0;
    if (delta < -0.5) delta += 1.0;
    const double turned = turned_ + delta;
    const int range = getMaximum() - getMinimum();
    const int target = rotaryStart_ + int(std::lround(turned * 360.0 / style_.sweepDegrees * range));
    const int limited = std::clamp(target, getMinimum(), getMaximum());
    if (style_.refuseBigJumps && std::abs(limited - getPosition()) * 2 > range) return;
    lastAngle_ = angle;
    turned_ = turned;
    changeBy(limited - getPosition());
}

void Knob::mouseUp(const MouseEvent& event) {
    if (drag_ == Drag::Rotary && !moved_) setPosition(positionAtAngle(pressAngle_));
    drag_ = Drag::Idle;
    RolloverValueControl::mouseUp(event);
}

void Knob::paint(Canvas& canvas) {
    const Rect area = getKnobArea();
    const bool pressed = isInGesture();
    const Image& image = pressed && !style_.pressed.isEmpty() ? style_.pressed
                         : isHighlighted() && !style_.active.isEmpty() ? style_.active
                                                                      : style_.normal;
    canvas.drawImage(image, area.x, area.y);
    const double cx = area.x + area.width / 2.0;
    const double cy = area.y + area.height / 2.0;
    const double radius = area.width / 2.0;
    const double ringRadius = radius - 1 - area.width * 0.05;
    const double ringWidth = area.width * 0.085;
    // Angles in turns from the top; Cairo's zero is at the right.
    auto toRadians = [](double turns) { return (turns - 0.25) * kTau; };
    const double from = style_.bipolar ? 0.0 : angleOfPosition(getMinimum());
    const double to = angleOfPosition(getPosition());
    const Colour arc = isEnabled() ? style_.arc : style::kTextDisabled;
    if (std::fabs(to - from) > 1e-6) {
        Path path;
        const double a0 = toRadians(std::min(from, to));
        const double a1 = toRadians(std::max(from, to));
        path.moveTo(cx + ringRadius * std::cos(a0), cy + ringRadius * std::sin(a0)).arc(cx, cy, ringRadius, a0, a1);
        canvas.strokePath(path, arc, ringWidth * 0.8);
    }
    // The pointer on the body.
    const double a = toRadians(to);
    const double inner = radius * 0.12;
    const double outer = radius * 0.6;
    canvas.drawLine(cx + inner * std::cos(a), cy + inner * std::sin(a), cx + outer * std::cos(a), cy + outer * std::sin(a),
                    style::kPointer, std::max(1.5, area.width / 24.0));
    // Label and value below the picture.
    const Rect& b = getBounds();
    const int textTop = area.bottom() + 1;
    const int lineHeight = 14;
    const std::string value = valueText_ ? valueText_(*this) : std::string();
    if (!label_.empty() && textTop < b.bottom())
        canvas.drawText(label_, {b.x, textTop, b.width, lineHeight}, isEnabled() ? style::kTextDim : style::kTextDisabled,
                        Font{style::kSmallFontSize, false}, Align::Centre);
    if (!value.empty() && textTop + lineHeight < b.bottom())
        canvas.drawText(value, {b.x, textTop + lineHeight, b.width, lineHeight},
                        isHighlighted() ? style::kAccentBright : style::kText, Font{style::kSmallFontSize, false},
                        Align::Centre);
}

}  // namespace gui
