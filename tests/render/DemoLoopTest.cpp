#include <gtest/gtest.h>

#include <cmath>

#include "DemoLoop.h"

TEST(DemoLoop, IsAStereoLoopOfTheRightLengthWithHeadroom) {
    AudioData loop = synthesiseDemoLoop(48000, 120.0f, 2);
    ASSERT_EQ(loop.channels.size(), 2u);
    EXPECT_EQ(loop.frames(), 4 * 48000);  // two bars of 4/4 at 120 BPM
    double energy = 0.0, difference = 0.0;
    float peak = 0.0f;
    for (size_t i = 0; i < loop.channels[0].size(); ++i) {
        float l = loop.channels[0][i], r = loop.channels[1][i];
        ASSERT_TRUE(std::isfinite(l) && std::isfinite(r));
        peak = std::max({peak, std::fabs(l), std::fabs(r)});
        energy += l * l;
        difference += (l - r) * (l - r);
    }
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(std::sqrt(energy / static_cast<double>(loop.frames())), 0.05);  // clearly audible
    EXPECT_GT(difference, 0.01 * energy);                                     // really stereo
}
