#include "modulation/XLFOSyncPhase.h"

#include <cmath>
#include <cstdint>

namespace xlfo_phase {

Run run(double phase, double increment, long limit) {
    const Run single{step(phase, increment), 0.0, 1};
    if (!(phase > 0.0) || !(phase < 1.0) || !(increment > 0.0) || limit < 2) return single;
    int e = 0;
    std::frexp(phase, &e);  // phase in [2^(e-1), 2^e)
    if (e < -960) return single;
    const double top = std::ldexp(1.0, e);
    const double grid = std::ldexp(1.0, e - 53);
    const double s1 = phase + increment;
    if (s1 >= top) return single;
    const double s2 = s1 + increment;
    if (s2 >= top) return single;
    const double d = s1 - phase;  // exact: both lie on the grid of the binade
    if (s2 - s1 != d) return single;  // the odd step of a halfway increment
    if (d == 0.0) return Run{phase, 0.0, limit};  // below half a grid step: the phase stands still
    // Samples k with phase + k * d <= top - grid round within the binade: the exact sum stays
    // below top - grid / 2.
    const auto room = static_cast<std::int64_t>((top - grid - phase) / grid);
    const auto unit = static_cast<std::int64_t>(d / grid);
    std::int64_t count = room / unit;
    if (count < 1) return single;
    if (count > limit) count = limit;
    return Run{s1, d, static_cast<long>(count)};
}

double advance(double phase, double increment, long samples) {
    while (samples > 0) {
        const Run r = run(phase, increment, samples);
        phase = r.first + static_cast<double>(r.count - 1) * r.delta;
        samples -= r.count;
    }
    return phase;
}

}  // namespace xlfo_phase
