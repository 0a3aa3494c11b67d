#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "modulation/LevelDecibels.h"

namespace {

float fromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every 4099th bit pattern of the positive floats (all exponents, mantissas spread over each
// binade), then the same negated, then the values where the conversion changes its course.
std::vector<float> probes() {
    std::vector<float> v;
    for (std::uint64_t bits = 0; bits < 0x7F800000u; bits += 4099) v.push_back(fromBits(static_cast<std::uint32_t>(bits)));
    const size_t positive = v.size();
    for (size_t i = 0; i < positive; i += 7) v.push_back(-v[i]);
    const float inf = std::numeric_limits<float>::infinity();
    for (float x : {0.0f, -0.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(), 1e-10f,
                    std::nextafter(1e-10f, 1.0f), std::nextafter(1e-10f, 0.0f), 1.0f, 0.001f,
                    std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()}) {
        v.push_back(x);
    }
    // Around the fold of the mantissa at sqrt(2), in several binades.
    for (float scale : {1.0f, 0.5f, 2.0f, 1e-6f, 1e6f}) {
        float x = std::nextafter(1.41421356f * scale, 0.0f);
        for (int k = 0; k < 5; ++k, x = std::nextafter(x, 10.0f * scale)) v.push_back(x);
    }
    return v;
}

}  // namespace

// The packed conversion and the single-sample one give the same bits for any input, at every
// length (so also in the tail after the last group of four).
TEST(LevelDecibels, PackedAndSingleFormsAgreeBitForBit) {
    const std::vector<float> x = probes();
    std::vector<float> packed(x.size());
    level_decibels::aboveFloor(x.data(), packed.data(), static_cast<int>(x.size()));
    for (size_t i = 0; i < x.size(); ++i) {
        ASSERT_TRUE(sameBits(packed[i], level_decibels::aboveFloor(x[i]))) << "x = " << x[i] << " at " << i;
    }
    for (int n = 1; n <= 9; ++n) {
        float out[9];
        level_decibels::aboveFloor(x.data() + 1000, out, n);
        for (int k = 0; k < n; ++k) ASSERT_TRUE(sameBits(out[k], level_decibels::aboveFloor(x[1000 + k]))) << n;
    }
}

// Against the exact value: within a few units in the last place of a float dB value (the result
// is 20 times a rounded float log10) wherever the level is audible, 0 for silence, denormals, NaN and
// negative input, 120 at infinity, never negative.
TEST(LevelDecibels, FollowsTwentyLog10AboveTheFloor) {
    for (float x : probes()) {
        const float got = level_decibels::aboveFloor(x);
        ASSERT_TRUE(std::isfinite(got)) << x;
        ASSERT_GE(got, 0.0f) << x;
        ASSERT_LE(got, 120.0f) << x;
        if (!(x > 1e-10f)) {
            ASSERT_EQ(got, 0.0f) << x;
            continue;
        }
        const double exact = std::min(std::max(20.0 * std::log10(static_cast<double>(x)) + 60.0, 0.0), 120.0);
        // A few units of the float log10 times 20, and the rounding of the sum near 120.
        const double db = 20.0 * std::log10(static_cast<double>(x));
        const double tolerance = 4e-7 * std::fabs(db) + 1.6e-5;
        ASSERT_NEAR(got, exact, tolerance) << "x = " << x;
    }
}
