#include <gtest/gtest.h>

#include "MatrixTestSupport.h"
#include "modulation/LevelPanTarget.h"

namespace {

using namespace matrix_test;

struct Channels {
    const wave::Buffer* out[2];
    bool constant[2];
};

Channels pullBoth(MatrixBench& bench, LevelPanTarget& pair) {
    bench.env.advanceBlock();
    Channels c{};
    for (int ch = 0; ch < 2; ++ch) {
        c.out[ch] = pair.output(ch).pull(MatrixBench::kBlock, 0);
        c.constant[ch] = pair.output(ch).isConstant();
    }
    bench.env.run(MatrixBench::kBlock, 0);
    return c;
}

TEST(LevelPanTarget, UnmodulatedBalanceFollowsTheLawAndPanOneSilencesAChannel) {
    MatrixBench bench;
    LevelPanTarget gain(*bench.matrix, Layout::kInputGain, Layout::kInputPan, LevelPanLaw::kBalance);
    bench.matrix->setTargetValue(Layout::kInputGain, 2.0f, 0.0f);
    bench.matrix->setTargetValue(Layout::kInputPan, 0.5f, 0.0f);
    bench.env.restartTime();  // the channel ramps finish at once
    Channels c = pullBoth(bench, gain);
    EXPECT_FLOAT_EQ((*c.out[0])[0], 1.0f);
    EXPECT_FLOAT_EQ((*c.out[1])[0], 2.0f);
    EXPECT_TRUE(c.constant[0] && c.constant[1]);

    // Hard right: the left channel is silent, not held at the class minimum (-36 dB).
    bench.matrix->setTargetValue(Layout::kInputPan, 1.0f, 0.0f);
    bench.env.restartTime();
    c = pullBoth(bench, gain);
    EXPECT_EQ((*c.out[0])[MatrixBench::kBlock - 1], 0.0f);
    EXPECT_FLOAT_EQ((*c.out[1])[MatrixBench::kBlock - 1], 2.0f);

    // Base value changes ramp the channels with the automatic time instead of jumping.
    bench.matrix->setTargetValue(Layout::kInputPan, -1.0f);
    c = pullBoth(bench, gain);
    EXPECT_FALSE(c.constant[0]);
    EXPECT_GT((*c.out[0])[MatrixBench::kBlock - 1], 0.0f);
    EXPECT_LT((*c.out[0])[MatrixBench::kBlock - 1], 2.0f);
}

TEST(LevelPanTarget, CentredPanHandsTheLevelThroughUnchanged) {
    MatrixBench bench;
    LevelPanTarget freq(*bench.matrix, Layout::filterTarget(0, FilterTarget::Freq), Layout::filterTarget(0, FilterTarget::Pan), LevelPanLaw::kAdditive);
    bench.matrix->setTargetValue(Layout::filterTarget(0, FilterTarget::Freq), 9.0f, 0.0f);
    RampSource ramp(bench.env, -1.0f, 0.01f);
    bench.matrix->registerSourceProducer(Layout::kFirstMidi, &ramp);
    bench.connect(0, Layout::kFirstMidi, Layout::filterTarget(0, FilterTarget::Freq), 0.1f);
    Channels c = pullBoth(bench, freq);
    const wave::Buffer* level = bench.matrix->getTargetController(Layout::filterTarget(0, FilterTarget::Freq))->getOutput();
    EXPECT_EQ(c.out[0], level);
    EXPECT_EQ(c.out[1], level);
    EXPECT_FALSE(c.constant[0]);
}

TEST(LevelPanTarget, ModulatedAdditivePairAddsAndSubtractsThePanPerSample) {
    MatrixBench bench;
    const int freqTarget = Layout::filterTarget(0, FilterTarget::Freq);
    const int panTarget = Layout::filterTarget(0, FilterTarget::Pan);
    LevelPanTarget freq(*bench.matrix, freqTarget, panTarget, LevelPanLaw::kAdditive);
    bench.matrix->setTargetValue(freqTarget, 9.0f, 0.0f);
    bench.matrix->setTargetValue(panTarget, 0.5f, 0.0f);
    RampSource ramp(bench.env, -1.0f, 2.0f / 64.0f);
    bench.matrix->registerSourceProducer(Layout::kFirstMidi, &ramp);
    bench.connect(0, Layout::kFirstMidi, panTarget, 0.25f);  // MIDI depth 7 on pan: ±1.75
    Channels c = pullBoth(bench, freq);
    EXPECT_FALSE(c.constant[0] || c.constant[1]);
    for (int i = 0; i < MatrixBench::kBlock; ++i) {
        const float pan = 0.5f + 1.75f * (-1.0f + 2.0f / 64.0f * static_cast<float>(i));
        EXPECT_NEAR((*c.out[0])[i], 9.0f + pan, 1e-5f) << i;
        EXPECT_NEAR((*c.out[1])[i], 9.0f - pan, 1e-5f) << i;
    }
}

TEST(LevelPanTarget, ModulatedBalancePairAppliesTheLawPerSample) {
    MatrixBench bench;
    LevelPanTarget gain(*bench.matrix, Layout::kOutputGain, Layout::kOutputPan, LevelPanLaw::kBalance);
    bench.matrix->setTargetValue(Layout::kOutputGain, 0.5f, 0.0f);
    RampSource ramp(bench.env, -1.0f, 2.0f / 64.0f);
    bench.matrix->registerSourceProducer(Layout::kFirstMidi, &ramp);
    bench.connect(0, Layout::kFirstMidi, Layout::kOutputPan, 0.5f);  // depth 2: pan = source
    Channels c = pullBoth(bench, gain);
    for (int i = 0; i < MatrixBench::kBlock; ++i) {
        const float pan = -1.0f + 2.0f / 64.0f * static_cast<float>(i);
        EXPECT_NEAR((*c.out[0])[i], 0.5f * (1.0f - std::max(pan, 0.0f)), 1e-6f) << i;
        EXPECT_NEAR((*c.out[1])[i], 0.5f * (1.0f + std::min(pan, 0.0f)), 1e-6f) << i;
    }
    // The end of the block is hard right: channel 0 nearly silent, channel 1 at the level.
    EXPECT_LT((*c.out[0])[MatrixBench::kBlock - 1], 0.02f);
    EXPECT_FLOAT_EQ((*c.out[1])[MatrixBench::kBlock - 1], 0.5f);
}

}  // namespace
