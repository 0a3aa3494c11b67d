#include "modulation/EnvelopeCurves.h"

namespace {

double cubic(const double p[4], double t) {
    const double u = 1.0 - t;
    return u * u * u * p[0] + 3.0 * u * u * t * p[1] + 3.0 * u * t * t * p[2] + t * t * t * p[3];
}

}  // namespace

double EnvelopeCurves::Bezier::at(double xValue) const {
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
    sample(rising_, Bezier{{0.0, 0.2, 0.4, 1.0}, {0.0, 0.0, 0.75, 1.0}});
    // Decay and release: fast initial drop that eases out towards 0.
    sample(falling_, Bezier{{0.0, 0.19, 0.42, 1.0}, {1.0, 0.55, 0.0, 0.0}});
}

void EnvelopeCurves::sample(Table& table, const Bezier& curve) {
    table[0] = static_cast<float>(curve.y[0]);
    for (int i = 1; i < kPoints - 1; ++i) table[i] = static_cast<float>(curve.at(i / static_cast<double>(kPoints - 1)));
    // The ends are the curve's end points exactly, so a finished attack reaches its top.
    table[kPoints - 1] = static_cast<float>(curve.y[3]);
    table[kPoints] = table[kPoints - 1];
}

const EnvelopeCurves& EnvelopeCurves::shared() {
    static const EnvelopeCurves curves;
    return curves;
}
