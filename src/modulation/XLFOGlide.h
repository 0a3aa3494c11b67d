#pragma once
#include "engine/wave/Float4.h"

// The glide curves of the step LFO over t in (0, 1], and their application to a stretch of
// positions x, four at a time where the curve is a polynomial.
namespace xlfo_glide {

// (sin((t - 1/2) pi) + 1) / 2, from its odd Taylor polynomial up to z^11 in z = (t - 1/2) pi.
// The truncation error is below (pi/2)^13 / 13! = 5.7e-8; with the rounding of the float steps the
// result stays within 2.5e-7 of the exact curve (checked by XLFOTest). The same operations serve
// one float and four lanes, so both give the same bits.
template <class T>
inline T sine(T t) {
    const T z = (t - T(0.5f)) * T(3.14159265f);
    const T z2 = z * z;
    T p = T(-2.5052108e-8f);
    p = p * z2 + T(2.7557319e-6f);
    p = p * z2 + T(-1.9841270e-4f);
    p = p * z2 + T(8.3333333e-3f);
    p = p * z2 + T(-1.6666667e-1f);
    const T s = z + z * z2 * p;
    return (s + T(1.0f)) * T(0.5f);
}

// Replaces the positions x[0 .. count) (each beyond 1 - g) by the gliding value
// value + curve((x - (1 - g)) / g) * rise, as the per-sample form computes it.
void apply(int curve, float value, float rise, float g, float* x, int count);

// Replaces the positions x[0 .. count) by the value at each position with its own glide g[k]:
// value + curve((x - (1 - g)) / g) * rise beyond 1 - g where g > 0, the held value elsewhere.
void applyEach(int curve, float value, float rise, const float* g, float* x, int count);

}  // namespace xlfo_glide
