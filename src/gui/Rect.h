#pragma once
#include <algorithm>

namespace gui {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// An axis-aligned rectangle in window pixels; right and bottom are exclusive.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Rect&) const = default;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool contains(Point p) const { return p.x >= x && p.y >= y && p.x < right() && p.y < bottom(); }
    Point centre() const { return {x + width / 2, y + height / 2}; }
    bool intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

    Rect intersection(const Rect& other) const {
        const int left = std::max(x, other.x);
        const int top = std::max(y, other.y);
        const int r = std::min(right(), other.right());
        const int b = std::min(bottom(), other.bottom());
        if (r <= left || b <= top) return {};
        return {left, top, r - left, b - top};
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    Rect united(const Rect& other) const {
        if (isEmpty()) return other;
        if (other.isEmpty()) return *this;
        const int left = std::min(x, other.x);
        const int top = std::min(y, other.y);
        return {left, top, std::max(right(), other.right()) - left, std::max(bottom(), other.bottom()) - top};
    }
    Rect translated(int dx, int dy) const { return {x + dx, y + dy, width, height}; }
    Rect reduced(int by) const { return {x + by, y + by, width - 2 * by, height - 2 * by}; }
};

}  // namespace gui
