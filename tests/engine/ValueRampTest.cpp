#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/wave/FloatParameterSource.h"

using namespace wave;

namespace {
// Advances the environment by one block the way the framework does.
void step(Environment& env, FloatParameterSource& src, int frames, int flags = 0) {
    env.advanceBlock();
    src.pull(frames, flags);
    env.run(frames, 0);
}
}  // namespace

TEST(ValueRamp, AutomaticTimeDependsOnTheSizeOfTheChange) {
    Environment env(64);
    env.setSampleRate(48000.0f);
    FloatParameterSource src(env, 0.0f);
    step(env, src, 64);
    src.setTarget(0.5f);  // half the range: the fast time
    EXPECT_EQ(src.ramp().getLength(), 960);
    src.ramp().jumpToEnd();
    src.setTarget(0.51f);  // 1 % of the range: (150 - 20) * (0.29 / 0.3)^2 + 20 = 141.48 ms
    EXPECT_EQ(src.ramp().getLength(), static_cast<int>(48000.0f * 141.4778f * 0.001f));
    src.setTarget(0.51f + 1e-8f);  // within tolerance: nothing changes
    EXPECT_EQ(src.ramp().getElapsed(), 0);
    src.setTarget(0.2f, 0.0f);  // explicit zero time: reached at once
    EXPECT_FALSE(src.ramp().isRunning());
    EXPECT_FLOAT_EQ(src.ramp().getCurrentValue(), 0.2f);
}

TEST(ValueRamp, RampsLinearlyThroughBlocksAndReportsConstantAfterwards) {
    Environment env(64);
    env.setSampleRate(48000.0f);
    FloatParameterSource src(env, 0.0f);
    step(env, src, 64);
    src.setTarget(1.0f, 2.0f);  // 96 samples
    step(env, src, 64);
    EXPECT_FALSE(src.isConstant());
    EXPECT_NEAR((*src.getOutput())[32], 32.0f / 96.0f, 1e-6f);
    step(env, src, 64);
    EXPECT_NEAR((*src.getOutput())[0], 64.0f / 96.0f, 1e-6f);
    EXPECT_FLOAT_EQ((*src.getOutput())[40], 1.0f);
    step(env, src, 64);
    EXPECT_TRUE(src.isConstant());
    EXPECT_FLOAT_EQ((*src.getOutput())[63], 1.0f);
}

// A ramp's values do not depend on how the host cuts the time into blocks: blocks of 1, 7 and 512
// frames give the same bits, and each value is the one getCurrentValue() reports at that sample.
TEST(ValueRamp, ValuesAreTheSameWhateverTheBlockSizes) {
    constexpr int kTotal = 3000;
    auto render = [](int blockSize) {
        Environment env(512);
        env.setSampleRate(44100.0f);
        FloatParameterSource src(env, -3.0f);
        src.ramp().setLimits(-10.0f, 10.0f);
        step(env, src, 1);
        src.setTarget(7.3f, 50.0f);  // 2205 samples: crosses many blocks
        std::vector<float> values;
        std::vector<float> reported;
        for (int done = 0; done < kTotal; done += blockSize) {
            const int n = std::min(blockSize, kTotal - done);
            reported.push_back(src.ramp().getCurrentValue());
            step(env, src, n);
            values.insert(values.end(), src.getOutput()->data(), src.getOutput()->data() + n);
        }
        return std::make_pair(values, reported);
    };
    const auto [whole, wholeReported] = render(512);
    for (int blockSize : {1, 7}) {
        const auto [cut, reported] = render(blockSize);
        ASSERT_EQ(cut.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i) ASSERT_EQ(cut[i], whole[i]) << "block size " << blockSize << ", sample " << i;
        if (blockSize == 1) {
            for (size_t i = 0; i < whole.size(); ++i) ASSERT_EQ(reported[i], whole[i]) << "sample " << i;
        }
    }
    EXPECT_FLOAT_EQ(whole.back(), 7.3f);
}

TEST(ValueRamp, SkippedBlocksAndUnpulledTimeStillAdvanceTheRamp) {
    Environment env(64);
    env.setSampleRate(48000.0f);
    FloatParameterSource src(env, 0.0f);
    step(env, src, 64);
    src.setTarget(1.0f, 4.0f);  // 192 samples
    step(env, src, 64, kSkip);  // a skip pull renders nothing...
    env.advanceBlock();
    env.run(64, 0);  // ...and a block nobody pulled
    step(env, src, 64);
    EXPECT_NEAR((*src.getOutput())[0], 128.0f / 192.0f, 1e-6f);
}

TEST(ValueRamp, RestartMarkerMakesPendingChangesTakeEffectAtOnce) {
    Environment env(64);
    env.setSampleRate(48000.0f);
    FloatParameterSource src(env, 0.0f);
    step(env, src, 64);
    src.setTarget(1.0f);
    env.restartTime();
    step(env, src, 64);
    EXPECT_TRUE(src.isConstant());
    EXPECT_FLOAT_EQ((*src.getOutput())[0], 1.0f);
}

TEST(ValueRamp, WrappedRampsTakeTheShortWayRound) {
    Environment env(64);
    env.setSampleRate(1000.0f);
    FloatParameterSource src(env, 0.9f);
    src.ramp().setWrapPeriod(1.0f);
    step(env, src, 64);
    src.setTarget(0.1f, 10.0f);  // 10 samples from 0.9 up through 1.0 (= 0.0) to 0.1
    step(env, src, 64);
    const Buffer& out = *src.getOutput();
    auto wrapped = [](float x) { return x - std::floor(x); };
    EXPECT_NEAR(wrapped(out[0]), 0.9f, 1e-6f);
    EXPECT_NEAR(wrapped(out[5] + 0.5f), 0.5f, 1e-6f);  // passes the wrap point halfway
    EXPECT_FLOAT_EQ(out[10], 0.1f);
    for (int i = 1; i <= 10; ++i) EXPECT_NEAR(out[i] - out[i - 1], 0.02f, 1e-6f);  // +0.2 in 10 steps
}
