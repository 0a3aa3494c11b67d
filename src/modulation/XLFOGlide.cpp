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

namespace {

// One position with its own glide width g: the value until the glide starts, then the curve.
template <class Shape>
float glidedOne(float value, float rise, float g, float x, Shape shape) {
    const float start = 1.0f - g;
    return g > 0.0f && x > start ? value + shape(std::min((x - start) / g, 1.0f)) * rise : value;
}

// The curves that are polynomials, four lanes at a time.
template <class Shape>
void eachGlide(float value, float rise, const float* g, float* x, int count, Shape shape) {
    const wave::Float4 zero(0.0f), one(1.0f), base(value), way(rise);
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        const wave::Float4 width = wave::Float4::loadUnaligned(g + k);
        const wave::Float4 position = wave::Float4::loadUnaligned(x + k);
        const wave::Float4 start = one - width;
        // Lanes that hold the value may divide by 0 here; select drops what they computed.
        const wave::Float4 glided = base + shape(min((position - start) / width, one)) * way;
        select(lessThan(zero, width), select(lessThan(start, position), glided, base), base).storeUnaligned(x + k);
    }
    for (; k < count; ++k) x[k] = glidedOne(value, rise, g[k], x[k], shape);
}

}  // namespace

void applyEach(int curve, float value, float rise, const float* g, float* x, int count) {
    switch (curve) {
        case XLFOEnums::Sqr:
            eachGlide(value, rise, g, x, count, [](auto t) { return t * t; });
            return;
        case XLFOEnums::Sine:
            eachGlide(value, rise, g, x, count, [](auto t) { return sine(t); });
            return;
        case XLFOEnums::Sqrt:
            // t > 0 wherever the curve is used: the position lies beyond the glide's start.
            for (int k = 0; k < count; ++k) x[k] = glidedOne(value, rise, g[k], x[k], [](float t) { return std::sqrt(t); });
            return;
        default:
            eachGlide(value, rise, g, x, count, [](auto t) { return t; });
            return;
    }
}

}  // namespace xlfo_glide
