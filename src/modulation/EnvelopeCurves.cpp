#include "modulation/EnvelopeCurves.h"

namespace {

double cubic(const double p[4], double t) {
    const double u = 1.0 - t;
    return u * u * u * p[0] + 3.0 * u * u * t * p[1] + 3.0 * u * t * t * p[2] + t * t * t * p[3];
}

}  // namespace

double EnvelopeCurves::Bezier::at(double xValue) const {
    // The ends are the curve's end points exactly, so an attack starts at 0 and reaches its top.
    if (xValue <= x[0]) return y[0];
    if (xValue >= x[3]) return y[3];
    // Solve x(t) = xValue by bisection; x(t) is monotonic for the curves used here.
    double lo = 0.0, hi = 1.0;
    const bool increasing = x[3] >= x[0];
    for (int iteration = 0; iteration < 48; ++iteration) {
        const double mid = 0.5 * (lo + hi);
        const bool below = increasing ? cubic(x, mid) < xValue : cubic(x, mid) > xValue;
        if (below) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return cubic(y, 0.5 * (lo + hi));
}

EnvelopeCurves::EnvelopeCurves() {
    // Attack and rise to sustain: slow start, steep middle, soft arrival at the top.
    rising_.build(kPoints, Bezier({0.0, 0.2, 0.4, 1.0}, {0.0, 0.0, 0.75, 1.0}), 0.0f, 1.0f);
    // Decay and release: fast initial drop that eases out towards 0.
    falling_.build(kPoints, Bezier({0.0, 0.19, 0.42, 1.0}, {1.0, 0.55, 0.0, 0.0}), 0.0f, 1.0f);
}

const EnvelopeCurves& EnvelopeCurves::shared() {
    static const EnvelopeCurves curves;
    return curves;
}
