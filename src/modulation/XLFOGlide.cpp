#include "modulation/XLFOGlide.h"

#include <algorithm>
#include <cmath>

#include "parameters/ParameterEnums.h"

namespace xlfo_glide {

namespace {

template <class Shape>
void each(float value, float rise, float g, float* x, int count, Shape shape) {
    const float start = 1.0f - g;
    for (int k = 0; k < count; ++k) x[k] = value + shape(std::min((x[k] - start) / g, 1.0f)) * rise;
}

}  // namespace

void apply(int curve, float value, float rise, float g, float* x, int count) {
    switch (curve) {
        case XLFOEnums::Sqr:
            each(value, rise, g, x, count, [](float t) { return t * t; });
            return;
        case XLFOEnums::Sqrt:
            // t > 0 here: every x lies beyond the glide's start.
            each(value, rise, g, x, count, [](float t) { return std::sqrt(t); });
            return;
        case XLFOEnums::Sine: {
            const wave::Float4 start(1.0f - g), width(g), one(1.0f), base(value), way(rise);
            int k = 0;
            for (; k + 4 <= count; k += 4) {
                const wave::Float4 t = min((wave::Float4::loadUnaligned(x + k) - start) / width, one);
                (base + sine(t) * way).storeUnaligned(x + k);
            }
            // The last one to three positions go through the same lanes.
            if (k < count) {
                alignas(16) float rest[4] = {1.0f, 1.0f, 1.0f, 1.0f};
                std::copy(x + k, x + count, rest);
                const wave::Float4 t = min((wave::Float4::load(rest) - start) / width, one);
                (base + sine(t) * way).store(rest);
                std::copy(rest, rest + (count - k), x + k);
            }
            return;
        }
        default:
            each(value, rise, g, x, count, [](float t) { return t; });
            return;
    }
}

}  // namespace xlfo_glide
