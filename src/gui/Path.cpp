#include "gui/Path.h"

#include <algorithm>
#include <cmath>

namespace gui {

Path& Path::addRoundedRect(double x, double y, double w, double h, double radius) {
    const double r = std::max(0.0, std::min({radius, w / 2, h / 2}));
    const double half = M_PI / 2;
    moveTo(x + r, y);
    arc(x + w - r, y + r, r, -half, 0);
    arc(x + w - r, y + h - r, r, 0, half);
    arc(x + r, y + h - r, r, half, M_PI);
    arc(x + r, y + r, r, M_PI, 3 * half);
    return close();
}

Path& Path::addCircle(double cx, double cy, double radius) {
    moveTo(cx + radius, cy);
    arc(cx, cy, radius, 0, 2 * M_PI);
    return close();
}

}  // namespace gui
