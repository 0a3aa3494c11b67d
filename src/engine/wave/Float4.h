#pragma once
// Four packed lanes: the one vector shape of the DSP code, in single precision (Float4) and, for
// recurrences that need double state, double precision (Double4, the same lane order and the same
// operations). SSE2 where available (the x86-64 baseline, so no -march flag is needed), otherwise a
// plain scalar fallback with the same results.
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__) && !defined(KESTRUM_SCALAR_FLOAT4)
#include <emmintrin.h>
#define KESTRUM_FLOAT4_SSE2 1
#endif

namespace wave {

#if !KESTRUM_FLOAT4_SSE2
namespace lanes {
// mask ? a : b bit by bit, for one lane of the scalar fallback (Bits: the lane's unsigned type).
template <class Bits, class T>
inline T selectBits(T mask, T a, T b) {
    static_assert(sizeof(Bits) == sizeof(T), "a lane's bits");
    Bits m, x, y;
    std::memcpy(&m, &mask, sizeof m);
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    const Bits z = (m & x) | (~m & y);
    T r;
    std::memcpy(&r, &z, sizeof r);
    return r;
}
// The sign bit of one lane as 0 or 1, read from the bits (as SSE2's movemask does).
template <class Bits, class T>
inline int signBit(T x) {
    static_assert(sizeof(Bits) == sizeof(T), "a lane's bits");
    Bits b;
    std::memcpy(&b, &x, sizeof b);
    return static_cast<int>(b >> (8 * sizeof(Bits) - 1));
}
}  // namespace lanes
#endif

struct alignas(16) Float4 {
#if KESTRUM_FLOAT4_SSE2
    __m128 v;
    Float4() : v(_mm_setzero_ps()) {}
    explicit Float4(__m128 x) : v(x) {}
    Float4(float x) : v(_mm_set1_ps(x)) {}
    Float4(float a, float b, float c, float d) : v(_mm_setr_ps(a, b, c, d)) {}

    static Float4 load(const float* p) { return Float4(_mm_load_ps(p)); }
    static Float4 loadUnaligned(const float* p) { return Float4(_mm_loadu_ps(p)); }
    void store(float* p) const { _mm_store_ps(p, v); }
    void storeUnaligned(float* p) const { _mm_storeu_ps(p, v); }
    float lane(int i) const {
        alignas(16) float t[4];
        _mm_store_ps(t, v);
        return t[i];
    }
    // The lanes truncated towards zero, as four ints (exact for whole numbers below 2^31).
    void storeTruncated(std::int32_t* p) const { _mm_store_si128(reinterpret_cast<__m128i*>(p), _mm_cvttps_epi32(v)); }

    friend Float4 operator+(Float4 a, Float4 b) { return Float4(_mm_add_ps(a.v, b.v)); }
    friend Float4 operator-(Float4 a, Float4 b) { return Float4(_mm_sub_ps(a.v, b.v)); }
    friend Float4 operator*(Float4 a, Float4 b) { return Float4(_mm_mul_ps(a.v, b.v)); }
    friend Float4 operator/(Float4 a, Float4 b) { return Float4(_mm_div_ps(a.v, b.v)); }
    friend Float4 min(Float4 a, Float4 b) { return Float4(_mm_min_ps(a.v, b.v)); }
    friend Float4 max(Float4 a, Float4 b) { return Float4(_mm_max_ps(a.v, b.v)); }
    friend Float4 abs(Float4 a) { return Float4(_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)); }
    // Lanes where a < b, as an all-ones / all-zeros mask.
    friend Float4 lessThan(Float4 a, Float4 b) { return Float4(_mm_cmplt_ps(a.v, b.v)); }
    // mask ? a : b, lane by lane.
    friend Float4 select(Float4 mask, Float4 a, Float4 b) {
        return Float4(_mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v)));
    }
    // Rounds towards minus infinity (exact for |x| < 2^31).
    friend Float4 floor(Float4 a) {
        __m128 t = _mm_cvtepi32_ps(_mm_cvttps_epi32(a.v));
        return Float4(_mm_sub_ps(t, _mm_and_ps(_mm_cmpgt_ps(t, a.v), _mm_set1_ps(1.0f))));
    }
    // Lanes that hold a finite number are kept, NaN and infinities become 0.
    friend Float4 finiteOrZero(Float4 a) {
        __m128i bits = _mm_castps_si128(a.v);
        __m128i exponent = _mm_and_si128(bits, _mm_set1_epi32(0x7f800000));
        __m128i notFinite = _mm_cmpeq_epi32(exponent, _mm_set1_epi32(0x7f800000));
        return Float4(_mm_andnot_ps(_mm_castsi128_ps(notFinite), a.v));
    }
    // Lane pairs: {a0, a1, b0, b1}, {a2, a3, b0, b1} and {a2, a3, b2, b3}.
    friend Float4 lowHalves(Float4 a, Float4 b) { return Float4(_mm_movelh_ps(a.v, b.v)); }
    friend Float4 crossHalves(Float4 a, Float4 b) { return Float4(_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(1, 0, 3, 2))); }
    friend Float4 highHalves(Float4 a, Float4 b) { return Float4(_mm_movehl_ps(b.v, a.v)); }
    // A whole number by the current rounding mode (|a| < 2^31): the floor under round-down.
    friend Float4 rint(Float4 a) { return Float4(_mm_cvtepi32_ps(_mm_cvtps_epi32(a.v))); }
    // {low[0], low[1], high[0], high[1]}: two pairs of neighbouring floats.
    static Float4 loadPairs(const float* low, const float* high) {
        const __m128 l = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(low)));
        return Float4(_mm_loadh_pi(l, reinterpret_cast<const __m64*>(high)));
    }
    // {a0, a2, b0, b2} and {a1, a3, b1, b3}.
    friend Float4 evenLanes(Float4 a, Float4 b) { return Float4(_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(2, 0, 2, 0))); }
    friend Float4 oddLanes(Float4 a, Float4 b) { return Float4(_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(3, 1, 3, 1))); }
    // Bit k set where lane k's sign bit is (for masks: where the lane is all ones).
    friend int signBits(Float4 a) { return _mm_movemask_ps(a.v); }
#else
    float v[4];
    Float4() : v{0, 0, 0, 0} {}
    Float4(float x) : v{x, x, x, x} {}
    Float4(float a, float b, float c, float d) : v{a, b, c, d} {}

    static Float4 load(const float* p) { return Float4(p[0], p[1], p[2], p[3]); }
    static Float4 loadUnaligned(const float* p) { return load(p); }
    void store(float* p) const { std::memcpy(p, v, sizeof v); }
    void storeUnaligned(float* p) const { store(p); }
    float lane(int i) const { return v[i]; }
    void storeTruncated(std::int32_t* p) const {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::int32_t>(v[i]);
    }

    template <class F>
    static Float4 map(Float4 a, Float4 b, F f) {
        return Float4(f(a.v[0], b.v[0]), f(a.v[1], b.v[1]), f(a.v[2], b.v[2]), f(a.v[3], b.v[3]));
    }
    friend Float4 operator+(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x + y; }); }
    friend Float4 operator-(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x - y; }); }
    friend Float4 operator*(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x * y; }); }
    friend Float4 operator/(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x / y; }); }
    // Same operand order as the SSE instructions: the second operand wins on NaN.
    friend Float4 min(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x < y ? x : y; }); }
    friend Float4 max(Float4 a, Float4 b) { return map(a, b, [](float x, float y) { return x > y ? x : y; }); }
    friend Float4 abs(Float4 a) { return map(a, a, [](float x, float) { return std::fabs(x); }); }
    friend Float4 lessThan(Float4 a, Float4 b) {
        return map(a, b, [](float x, float y) {
            uint32_t m = x < y ? 0xffffffffu : 0u;
            float f;
            std::memcpy(&f, &m, sizeof f);
            return f;
        });
    }
    friend Float4 select(Float4 mask, Float4 a, Float4 b) {
        Float4 r;
        for (int i = 0; i < 4; ++i) r.v[i] = lanes::selectBits<uint32_t>(mask.v[i], a.v[i], b.v[i]);
        return r;
    }
    friend Float4 floor(Float4 a) { return map(a, a, [](float x, float) { return std::floor(x); }); }
    friend Float4 finiteOrZero(Float4 a) { return map(a, a, [](float x, float) { return std::isfinite(x) ? x : 0.0f; }); }
    friend Float4 lowHalves(Float4 a, Float4 b) { return Float4(a.v[0], a.v[1], b.v[0], b.v[1]); }
    friend Float4 crossHalves(Float4 a, Float4 b) { return Float4(a.v[2], a.v[3], b.v[0], b.v[1]); }
    friend Float4 highHalves(Float4 a, Float4 b) { return Float4(a.v[2], a.v[3], b.v[2], b.v[3]); }
    // By the rounding mode in force, read at run time: the compiler takes std::rint to round to
    // nearest wherever it can see the operand, whatever the mode.
    friend Float4 rint(Float4 a) {
        const int mode = std::fegetround();
        return map(a, a, [mode](float x, float) {
            return mode == FE_DOWNWARD ? std::floor(x) : mode == FE_UPWARD ? std::ceil(x)
                                       : mode == FE_TOWARDZERO ? std::trunc(x) : std::nearbyint(x);
        });
    }
    static Float4 loadPairs(const float* low, const float* high) { return Float4(low[0], low[1], high[0], high[1]); }
    friend Float4 evenLanes(Float4 a, Float4 b) { return Float4(a.v[0], a.v[2], b.v[0], b.v[2]); }
    friend Float4 oddLanes(Float4 a, Float4 b) { return Float4(a.v[1], a.v[3], b.v[1], b.v[3]); }
    friend int signBits(Float4 a) {
        int bits = 0;
        for (int i = 0; i < 4; ++i) bits |= lanes::signBit<uint32_t>(a.v[i]) << i;
        return bits;
    }
#endif

    Float4& operator+=(Float4 b) { return *this = *this + b; }
    Float4& operator-=(Float4 b) { return *this = *this - b; }
    Float4& operator*=(Float4 b) { return *this = *this * b; }
    friend Float4 operator-(Float4 a) { return Float4(0.0f) - a; }
    friend Float4 clamp(Float4 a, Float4 lo, Float4 hi) { return min(max(a, lo), hi); }
};

// Four doubles in the lane order of Float4. Under SSE2 lanes 0-1 and 2-3 are one register each, so
// the half operations below cost nothing but register choice.
struct alignas(16) Double4 {
#if KESTRUM_FLOAT4_SSE2
    __m128d lo, hi;
    Double4() : lo(_mm_setzero_pd()), hi(_mm_setzero_pd()) {}
    Double4(__m128d l, __m128d h) : lo(l), hi(h) {}
    Double4(double x) : lo(_mm_set1_pd(x)), hi(_mm_set1_pd(x)) {}
    Double4(double a, double b, double c, double d) : lo(_mm_setr_pd(a, b)), hi(_mm_setr_pd(c, d)) {}

    double lane(int i) const {
        const __m128d h = i < 2 ? lo : hi;
        return _mm_cvtsd_f64((i & 1) ? _mm_unpackhi_pd(h, h) : h);
    }
    // The lanes rounded to float.
    Float4 toFloat4() const { return Float4(_mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi))); }
    // Lanes 2h and 2h + 1 rounded to float, into *a and *b.
    void storeHalfAsFloats(int h, float* a, float* b) const {
        const __m128 f = _mm_cvtpd_ps(h == 0 ? lo : hi);
        _mm_store_ss(a, f);
        _mm_store_ss(b, _mm_shuffle_ps(f, f, _MM_SHUFFLE(1, 1, 1, 1)));
    }
    friend Double4 operator+(Double4 a, Double4 b) { return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)}; }
    friend Double4 operator-(Double4 a, Double4 b) { return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)}; }
    friend Double4 operator*(Double4 a, Double4 b) { return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)}; }
    // Every lane rounded to the nearest float, as a double (what a float store and reload gives).
    friend Double4 roundedToFloat(Double4 a) {
        return {_mm_cvtps_pd(_mm_cvtpd_ps(a.lo)), _mm_cvtps_pd(_mm_cvtpd_ps(a.hi))};
    }
    friend Double4 lowHalves(Double4 a, Double4 b) { return {a.lo, b.lo}; }
    friend Double4 crossHalves(Double4 a, Double4 b) { return {a.hi, b.lo}; }
    // The lanes of a Float4, exactly.
    explicit Double4(Float4 a) : lo(_mm_cvtps_pd(a.v)), hi(_mm_cvtps_pd(_mm_movehl_ps(a.v, a.v))) {}
    static Double4 loadUnaligned(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
    void storeUnaligned(double* p) const {
        _mm_storeu_pd(p, lo);
        _mm_storeu_pd(p + 2, hi);
    }
    // Lanes where a < b, as an all-ones / all-zeros mask; mask ? a : b; the lanes' sign bits.
    friend Double4 lessThan(Double4 a, Double4 b) { return {_mm_cmplt_pd(a.lo, b.lo), _mm_cmplt_pd(a.hi, b.hi)}; }
    friend Double4 select(Double4 mask, Double4 a, Double4 b) {
        return {_mm_or_pd(_mm_and_pd(mask.lo, a.lo), _mm_andnot_pd(mask.lo, b.lo)),
                _mm_or_pd(_mm_and_pd(mask.hi, a.hi), _mm_andnot_pd(mask.hi, b.hi))};
    }
    friend int signBits(Double4 a) { return _mm_movemask_pd(a.lo) | _mm_movemask_pd(a.hi) << 2; }
    // Rounds towards minus infinity with the bits of std::floor (-0 stays -0, |x| >= 2^52 and NaN
    // pass through), in any rounding mode.
    friend Double4 floor(Double4 a) { return {floorPair(a.lo), floorPair(a.hi)}; }

private:
    static __m128d floorPair(__m128d x) {
        const __m128d signMask = _mm_set1_pd(-0.0);
        const __m128d big = _mm_set1_pd(4503599627370496.0);  // 2^52: from here on every double is whole
        const __m128d sign = _mm_and_pd(x, signMask);
        // Adding and removing 2^52 (with x's sign) leaves a whole number next to x, one above at most.
        const __m128d magic = _mm_or_pd(big, sign);
        __m128d t = _mm_sub_pd(_mm_add_pd(x, magic), magic);
        t = _mm_sub_pd(t, _mm_and_pd(_mm_cmplt_pd(x, t), _mm_set1_pd(1.0)));
        t = _mm_or_pd(t, sign);
        const __m128d small = _mm_cmplt_pd(_mm_andnot_pd(signMask, x), big);
        return _mm_or_pd(_mm_and_pd(small, t), _mm_andnot_pd(small, x));
    }

public:
#else
    double v[4];
    Double4() : v{0, 0, 0, 0} {}
    Double4(double x) : v{x, x, x, x} {}
    Double4(double a, double b, double c, double d) : v{a, b, c, d} {}

    double lane(int i) const { return v[i]; }
    void storeHalfAsFloats(int h, float* a, float* b) const {
        *a = static_cast<float>(v[2 * h]);
        *b = static_cast<float>(v[2 * h + 1]);
    }
    Float4 toFloat4() const {
        return Float4(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]),
                      static_cast<float>(v[3]));
    }
    friend Double4 operator+(Double4 a, Double4 b) {
        return {a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]};
    }
    friend Double4 operator-(Double4 a, Double4 b) {
        return {a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]};
    }
    friend Double4 operator*(Double4 a, Double4 b) {
        return {a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]};
    }
    friend Double4 roundedToFloat(Double4 a) {
        return {static_cast<float>(a.v[0]), static_cast<float>(a.v[1]), static_cast<float>(a.v[2]),
                static_cast<float>(a.v[3])};
    }
    friend Double4 lowHalves(Double4 a, Double4 b) { return {a.v[0], a.v[1], b.v[0], b.v[1]}; }
    friend Double4 crossHalves(Double4 a, Double4 b) { return {a.v[2], a.v[3], b.v[0], b.v[1]}; }
    explicit Double4(Float4 a) : v{a.lane(0), a.lane(1), a.lane(2), a.lane(3)} {}
    static Double4 loadUnaligned(const double* p) { return {p[0], p[1], p[2], p[3]}; }
    void storeUnaligned(double* p) const { std::memcpy(p, v, sizeof v); }
    friend Double4 lessThan(Double4 a, Double4 b) {
        Double4 r;
        for (int i = 0; i < 4; ++i) {
            const uint64_t m = a.v[i] < b.v[i] ? ~uint64_t{0} : 0u;
            std::memcpy(&r.v[i], &m, sizeof m);
        }
        return r;
    }
    friend Double4 select(Double4 mask, Double4 a, Double4 b) {
        Double4 r;
        for (int i = 0; i < 4; ++i) r.v[i] = lanes::selectBits<uint64_t>(mask.v[i], a.v[i], b.v[i]);
        return r;
    }
    friend int signBits(Double4 a) {
        int bits = 0;
        for (int i = 0; i < 4; ++i) bits |= lanes::signBit<uint64_t>(a.v[i]) << i;
        return bits;
    }
    friend Double4 floor(Double4 a) { return {std::floor(a.v[0]), std::floor(a.v[1]), std::floor(a.v[2]), std::floor(a.v[3])}; }
#endif
};

}  // namespace wave
