// The speed factor of a step LFO's frequency offset, as the frequency controller reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "modulation/EnvelopeTestSupport.h"
#include "modulation/FrequencyMultiplier.h"

namespace {

std::uint32_t bitsOf(float x) {
    std::uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

// Held stretches (the output repeats its last value) alternate with moving ones, and the inputs
// visit the values where a repeated result would be wrong: NaN and infinities, a zero of either
// sign, exponents beyond the limit, and a change in only one of the two inputs.
float exponentAt(long i) {
    const long phase = i % 97;
    if (phase < 40) return 0.25f;                                    // held
    if (phase < 60) return -3.0f + 0.3f * static_cast<float>(phase - 40);  // moving
    switch (phase) {
        case 60: return std::numeric_limits<float>::quiet_NaN();
        case 61: return std::numeric_limits<float>::quiet_NaN();
        case 62: return std::numeric_limits<float>::infinity();
        case 63: return -0.0f;
        case 64: return 0.0f;
        case 65: return 20.0f;
        case 66: return 21.0f;  // both beyond the limit: the same factor from different inputs
        default: return 1.5f;
    }
}

float baseAt(long i) {
    const long phase = i % 89;
    if (phase < 50) return 2.0f;
    if (phase == 50) return -0.0f;
    if (phase == 51) return 0.0f;
    if (phase == 52) return std::numeric_limits<float>::quiet_NaN();
    return 0.5f + 0.01f * static_cast<float>(phase);
}

TEST(FrequencyMultiplier, EverySampleGetsTheBitsOfItsOwnInputs) {
    for (int block : {1, 17, 512}) {
        for (bool withBase : {false, true}) {
            wave::Environment env(512);
            env.setSampleRate(48000.0f);
            source_test::Signal exponent(env, exponentAt), base(env, baseAt);
            FrequencyMultiplier multiplier(env, withBase ? &base : nullptr, &exponent);
            const long total = 4000;
            const std::vector<float> out = source_test::render(env, multiplier, total, block);
            ASSERT_EQ(static_cast<long>(out.size()), total);
            int wrong = 0;
            for (long i = 0; i < total; ++i) {
                const float expected = FrequencyMultiplier::multiply(withBase ? baseAt(i) : 1.0f, exponentAt(i));
                wrong += bitsOf(out[static_cast<size_t>(i)]) != bitsOf(expected);
            }
            EXPECT_EQ(wrong, 0) << "block " << block << (withBase ? " with base" : "");
        }
    }
    EXPECT_TRUE(std::isfinite(FrequencyMultiplier::multiply(2.0f, std::numeric_limits<float>::infinity())));
    EXPECT_EQ(FrequencyMultiplier::multiply(std::numeric_limits<float>::quiet_NaN(), 1.0f), 0.0f);
}

}  // namespace
