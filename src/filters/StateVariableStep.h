#pragma once
// The state-variable stage recurrence that both paths of the filter kernel run (StateVariableFilter:
// one filter, or up to four member filters in the lanes of a Float4), and the pipelined cascade
// (PipelinedCascade.h).
#include <algorithm>
#include <type_traits>

#include "engine/wave/Float4.h"
#include "filters/GenericFilter.h"

namespace state_variable {

using wave::Float4;

inline float clampValue(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }
inline Float4 clampValue(Float4 v, float lo, float hi) { return clamp(v, Float4(lo), Float4(hi)); }

// Sample access for the two paths: plain floats (one filter) or interleaved lanes (four filters).
template <class T>
struct Lanes;
template <>
struct Lanes<float> {
    static float load(const float* p, int i) { return p[i]; }
    static void store(float* p, int i, float v) { p[i] = v; }
    static float state(const float* p) { return p[0]; }
    static void setState(float* p, float v) { p[0] = v; }
};
template <>
struct Lanes<Float4> {
    static Float4 load(const float* p, int i) { return Float4::load(p + 4 * i); }
    static void store(float* p, int i, Float4 v) { v.store(p + 4 * i); }
    static Float4 state(const float* p) { return Float4::load(p); }
    static void setState(float* p, Float4 v) { v.store(p); }
};

// One stage for one input sample x, iterated three times with the input held. f is the frequency
// coefficient, q the damping, c the cubic limit of the band state (first stage only), L and B the
// low and band states. Every c·B³ term uses B from before its update.
// The one-filter path nudges the band state by a tiny ε so that it stays clear of denormals; the
// four-lane paths run without it (ε = 0), and there the final B + ε is left out: adding +0 changes
// no value (at most the sign of a zero) but would put one more addition on the serial chain of
// every sample.
template <class T, bool kCubic, int kResponse>
inline T stageStep(T x, T f, T q, T c, T& L, T& B, T eps) {
    constexpr bool kNudged = std::is_same_v<T, float>;
    T b0 = B;
    L = L + f * (B - eps);                        // L += f·(B - ε)
    B = B + f * (x - q * B - L);                  // B += f·(x - q·B - L) - c·B³
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;                                // L += f·B
    B = B + f * (x - q * B - L);                  // B += f·(x - q·B - L) - c·B³
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;                                // L += f·B
    T H = x - q * B - L;                          // H = x - q·B - L
    B = B + f * H;                                // B += f·H - c·B³ + ε
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    if constexpr (kNudged) B = B + eps;
    B = clampValue(B, -1.0f, 1.0f);
    L = clampValue(L, -10.0f, 10.0f);
    if constexpr (kResponse == GenericFilter::LowPass) return L;
    else if constexpr (kResponse == GenericFilter::HighPass) return H;
    else return B;
}

// One stage step of vector A: the cubic band limit acts only in lanes 0/1 (stage 0), because c
// holds 0 in lanes 2/3. There c·B³ is a zero: subtracting it leaves every band value as it is
// (a band state of -0, the one value it could change, never arises from a cleared state), and
// where B³ overflows, B itself is already NaN, which the clamp turns into the same value.
template <int kResponse>
inline Float4 firstPairStep(Float4 x, Float4 f, Float4 q, Float4 c, Float4& L, Float4& B) {
    Float4 b0 = B;
    L = L + f * B;
    B = B + f * (x - q * B - L);
    B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;
    B = B + f * (x - q * B - L);
    B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;
    Float4 H = x - q * B - L;
    B = B + f * H;
    B = B - c * b0 * b0 * b0;
    B = clampValue(B, -1.0f, 1.0f);
    L = clampValue(L, -10.0f, 10.0f);
    if constexpr (kResponse == GenericFilter::LowPass) return L;
    else if constexpr (kResponse == GenericFilter::HighPass) return H;
    else return B;
}

}  // namespace state_variable
