#pragma once
#include <vector>

namespace gui {

// A recorded outline in window coordinates (logical pixels) that a canvas fills or strokes.
class Path {
public:
    enum class Op { Move, Line, Curve, Arc, Close };
    struct Element {
        Op op;
        double v[6];
    };

    Path& moveTo(double x, double y) { return add(Op::Move, {x, y}); }
    Path& lineTo(double x, double y) { return add(Op::Line, {x, y}); }
    // A cubic Bezier from the current point through two control points.
    Path& curveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
        return add(Op::Curve, {x1, y1, x2, y2, x3, y3});
    }
    // An arc around (cx, cy) from angle a0 to a1 in radians (0 = right, increasing clockwise on screen).
    Path& arc(double cx, double cy, double radius, double a0, double a1) { return add(Op::Arc, {cx, cy, radius, a0, a1}); }
    Path& close() { return add(Op::Close, {}); }

    Path& addRect(double x, double y, double w, double h) {
        return moveTo(x, y).lineTo(x + w, y).lineTo(x + w, y + h).lineTo(x, y + h).close();
    }
    Path& addRoundedRect(double x, double y, double w, double h, double radius);
    Path& addCircle(double cx, double cy, double radius);

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }

private:
    Path& add(Op op, std::initializer_list<double> values) {
        Element e{op, {0, 0, 0, 0, 0, 0}};
        int i = 0;
        for (double value : values) e.v[i++] = value;
        elements_.push_back(e);
        return *this;
    }

    std::vector<Element> elements_;
};

}  // namespace gui
