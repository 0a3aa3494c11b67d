#include <gtest/gtest.h>

#include <cmath>

#include "FilterTestSupport.h"
#include "filters/FilterAnalyzer.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 64;

std::vector<float> factorFor(float level, int samples, float rate = 48000.0f) {
    wave::Environment env(kBlock);
    env.setSampleRate(rate);
    SignalSource source(env, std::vector<float>(static_cast<size_t>(samples), level));
    FilterAnalyzer analyzer(env);
    analyzer.setInput(&source);
    return pullBlocks(env, analyzer, samples, kBlock);
}

}  // namespace

TEST(FilterAnalyzer, FactorOpensAtTheThresholdAndFollowsTheLevelBelowIt) {
    EXPECT_FLOAT_EQ(factorFor(0.01f, 48000).back(), 1.0f);
    EXPECT_NEAR(factorFor(0.0025f, 48000).back(), 0.5f, 1e-3f);
    EXPECT_NEAR(factorFor(-0.0025f, 48000).back(), 0.5f, 1e-3f);  // magnitudes
    EXPECT_FLOAT_EQ(factorFor(0.0f, 4800).back(), 0.0f);
    // Just above and just below the threshold.
    EXPECT_FLOAT_EQ(factorFor(0.00501f, 48000).back(), 1.0f);
    EXPECT_LT(factorFor(0.00499f, 48000).back(), 1.0f);
}

TEST(FilterAnalyzer, FollowerHasATwentyMillisecondTimeConstant) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::vector<float> signal(48000, 0.0f);
    std::fill(signal.begin(), signal.begin() + 24000, 1.0f);
    SignalSource source(env, signal);
    FilterAnalyzer analyzer(env);
    analyzer.threshold.set(2.0f);  // never reached: the factor shows the followed level / 2
    analyzer.setInput(&source);
    std::vector<float> factor = pullBlocks(env, analyzer, 48000, kBlock);
    // 20 ms after the input rose the level is 1 - 1/e of it; 20 ms after it fell, 1/e.
    EXPECT_NEAR(2.0f * factor[959], 1.0f - std::exp(-1.0f), 0.01f);
    EXPECT_NEAR(2.0f * factor[24000 + 959], std::exp(-1.0f), 0.01f);
    EXPECT_LT(factor.back(), 1e-6f);
}

TEST(FilterAnalyzer, ResetClearsTheFollower) {
    wave::Environment env(kBlock);
    SignalSource source(env, std::vector<float>(4800, 0.1f));
    FilterAnalyzer analyzer(env);
    analyzer.setInput(&source);
    pullBlocks(env, analyzer, 4800, kBlock);
    EXPECT_GT(analyzer.getLevel(), 0.05f);
    env.reset();
    EXPECT_EQ(analyzer.getLevel(), 0.0f);
}

TEST(FilterAnalyzer, ZeroThresholdNeverMutes) {
    wave::Environment env(kBlock);
    SignalSource source(env, std::vector<float>(256, 0.0f));
    FilterAnalyzer analyzer(env);
    analyzer.threshold.set(0.0f);
    analyzer.setInput(&source);
    for (float x : pullBlocks(env, analyzer, 256, kBlock)) EXPECT_EQ(x, 1.0f);
}

// The filters keep one coefficient set for a block only when the factor cannot change in it: a
// block counts as constant exactly when every factor in it is 1.
TEST(FilterAnalyzer, BlockIsConstantOnlyWhileFullyOpen) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::vector<float> signal(static_cast<size_t>(40 * kBlock), 0.5f);
    for (int i = 20 * kBlock; i < 40 * kBlock; ++i) signal[static_cast<size_t>(i)] = 0.0f;  // then silence
    SignalSource source(env, signal);
    FilterAnalyzer analyzer(env);
    analyzer.setInput(&source);
    bool sawOpen = false, sawClosing = false;
    for (int block = 0; block < 40; ++block) {
        env.advanceBlock();
        const wave::Buffer& out = *analyzer.pull(kBlock, 0);
        bool allOne = true;
        for (int i = 0; i < kBlock; ++i) allOne = allOne && out[i] == 1.0f;
        ASSERT_EQ(analyzer.isConstant(), allOne) << "block " << block;
        sawOpen = sawOpen || allOne;
        sawClosing = sawClosing || !allOne;
        env.run(kBlock, 0);
    }
    EXPECT_TRUE(sawOpen);
    EXPECT_TRUE(sawClosing);
}
