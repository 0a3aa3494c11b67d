#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "modulation/XLFOGlide.h"
#include "parameters/ParameterEnums.h"

// The glide with one width per sample (used where the LFO's inputs vary) against the one with a
// single width: the same bits beyond the glide's start, the held value before it and for a width
// of 0, for every curve and at every count (so also in the tail after the last group of four).
TEST(XLFOGlide, PerSampleWidthsGiveTheBitsOfTheSingleWidthForm) {
    const float widths[] = {0.0f, 1e-6f, 0.03f, 0.3f, 0.5f, 1.0f};
    const int curves[] = {XLFOEnums::Linear, XLFOEnums::Sqr, XLFOEnums::Sqrt, XLFOEnums::Sine};
    const float value = -0.3f, rise = 0.85f;
    for (int curve : curves) {
        for (float g : widths) {
            for (int count = 1; count <= 41; count += 4) {
                for (int shift = 0; shift < 4; ++shift) {
                    const int n = count + shift % 3;
                    std::vector<float> x(static_cast<size_t>(n)), width(static_cast<size_t>(n), g);
                    for (int k = 0; k < n; ++k) x[k] = static_cast<float>(k) / static_cast<float>(n - 1 > 0 ? n - 1 : 1) * 0.9999f;
                    std::vector<float> each = x;
                    xlfo_glide::applyEach(curve, value, rise, width.data(), each.data(), n);
                    for (int k = 0; k < n; ++k) {
                        float expected = value;
                        if (g > 0.0f && x[k] > 1.0f - g) {
                            expected = x[k];
                            xlfo_glide::apply(curve, value, rise, g, &expected, 1);
                        }
                        ASSERT_EQ(std::memcmp(&each[k], &expected, sizeof(float)), 0)
                            << "curve " << curve << " g " << g << " n " << n << " k " << k << ": " << each[k] << " vs " << expected;
                    }
                }
            }
        }
    }
}

// Widths that change from sample to sample are applied each to its own sample.
TEST(XLFOGlide, EachSampleTakesItsOwnWidth) {
    float x[6] = {0.9f, 0.9f, 0.9f, 0.9f, 0.9f, 0.9f};
    const float g[6] = {0.0f, 0.05f, 0.2f, 0.4f, 1.0f, 0.2f};
    xlfo_glide::applyEach(XLFOEnums::Linear, 0.0f, 1.0f, g, x, 6);
    EXPECT_EQ(x[0], 0.0f);  // no glide
    EXPECT_EQ(x[1], 0.0f);  // 0.9 lies before the glide's start at 0.95
    EXPECT_NEAR(x[2], 0.5f, 1e-6f);
    EXPECT_NEAR(x[3], 0.75f, 1e-6f);
    EXPECT_NEAR(x[4], 0.9f, 1e-6f);
    EXPECT_NEAR(x[5], 0.5f, 1e-6f);  // the tail after the group of four
}
