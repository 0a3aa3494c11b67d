#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MatrixTestSupport.h"

namespace {

using namespace matrix_test;

constexpr int kXLFO1 = Layout::kFirstXLFO;
constexpr int kXLFO2 = Layout::kFirstXLFO + 1;
constexpr int kEG1 = Layout::kFirstEG;
constexpr int kEF1 = Layout::kFirstEF;
constexpr int kXY1Hor = Layout::kFirstXY;
constexpr int kMidi1 = Layout::kFirstMidi;
const int kFreq1 = Layout::filterTarget(0, FilterTarget::Freq);
const int kPeak1 = Layout::filterTarget(0, FilterTarget::Peak);

TEST(MatrixLayout, ClassesBoundsAndOwnTargetsFollowTheProductTable) {
    MatrixBench bench;
    const Matrix& m = *bench.matrix;
    EXPECT_EQ(m.getNumSources(), 34);
    EXPECT_EQ(m.getNumTargets(), 113);
    EXPECT_EQ(m.getNumClasses(), 18);
    EXPECT_EQ(m.getNumSlots(), 24);

    EXPECT_EQ(m.targetClass(1).min, 2.2665999f);
    EXPECT_EQ(m.targetClass(1).max, 16.2064f);
    EXPECT_NEAR(m.targetClass(8).min, 0.015848932f, 1e-8f);
    EXPECT_NEAR(m.targetClass(8).max, 63.095734f, 1e-4f);
    EXPECT_NEAR(m.targetClass(8).defaultDepth, 63.079884f, 1e-4f);
    EXPECT_NEAR(m.targetClass(8).depthFor(Matrix::kEF), 126.15977f, 2e-4f);
    EXPECT_FLOAT_EQ(m.targetClass(15).defaultDepth, 6.25f);
    EXPECT_FLOAT_EQ(m.targetClass(15).depthFor(Matrix::kEF), 12.5f);
    EXPECT_FLOAT_EQ(m.targetClass(10).min, 64.0f / 44100.0f);
    // First matching override wins; other kinds use the default depth.
    EXPECT_FLOAT_EQ(m.targetClass(1).depthFor(Matrix::kXLFO), 6.3f);
    EXPECT_FLOAT_EQ(m.targetClass(1).depthFor(Matrix::kSnappedXLFO), 1.0f);
    EXPECT_FLOAT_EQ(m.targetClass(1).depthFor(Matrix::kMIDI), 10.0f);

    const int egClasses[6] = {10, 12, 0, 13, 16, 17};
    for (int e = 0; e < 6; ++e) {
        for (int j = 0; j < 6; ++j) EXPECT_EQ(m.getTargetClassIndex(Layout::egTarget(e, static_cast<EGTarget>(j))), egClasses[j]) << e << j;
    }
    EXPECT_EQ(m.getTargetClassIndex(Layout::xlfoTarget(5, XLFOTarget::PhaseOffset)), 15);
    EXPECT_EQ(m.getTargetClassIndex(Layout::kInputGain), 8);
    EXPECT_EQ(m.getTargetClassIndex(Layout::kMix), 9);
    EXPECT_EQ(m.getTargetClassIndex(Layout::filterTarget(3, FilterTarget::Delay)), 4);

    EXPECT_EQ(m.getSourceOwnTargets(kXLFO2), (std::vector<int>{20, 21, 22, 23}));
    EXPECT_EQ(m.getSourceOwnTargets(kEG1 + 5), (std::vector<int>{70, 71, 72, 73, 74, 75}));
    EXPECT_EQ(m.getSourceOwnTargets(kEF1 + 3), (std::vector<int>{82, 83}));
    EXPECT_TRUE(m.getSourceOwnTargets(kXY1Hor).empty());
    EXPECT_TRUE(m.getSourceOwnTargets(kMidi1).empty());
    for (int s = 0; s < 24; ++s) {
        EXPECT_EQ(m.getLevelTarget(s), 89 + s);
        EXPECT_EQ(m.getOwningSlot(89 + s), s);
    }
    EXPECT_EQ(m.getOwningSlot(88), -1);
    EXPECT_EQ(m.getSourceKind(7), Matrix::kXY);
    EXPECT_EQ(m.getSourceKind(13), Matrix::kXLFO);
    EXPECT_EQ(m.getSourceKind(19), Matrix::kEG);
    EXPECT_EQ(m.getSourceKind(23), Matrix::kEF);
    EXPECT_EQ(m.getSourceKind(33), Matrix::kMIDI);
}

TEST(MatrixDependencies, SlotOnItsOwnSourcesParameterIsInactiveAndSilent) {
    MatrixBench bench;
    const int xlfo1Freq = Layout::xlfoTarget(0, XLFOTarget::Frequency);
    bench.matrix->setTargetValue(xlfo1Freq, 2.0f, 0.0f);
    bench.setSource(kXLFO1, 1.0f);
    bench.connect(0, kXLFO1, xlfo1Freq, 1.0f);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kInactive);
    EXPECT_FLOAT_EQ(bench.value(xlfo1Freq), 2.0f);
    EXPECT_TRUE(bench.lastConstant);

    // Nor may a slot modulate its own level.
    bench.connect(1, kEF1, bench.matrix->getLevelTarget(1), 1.0f);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kInactive);
    // Any other XLFO may.
    bench.slots().setSource(0, kXLFO2);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
}

TEST(MatrixDependencies, SecondOfTwoLoopingSlotsIsRejectedUntilTheFirstGoes) {
    MatrixBench bench;
    const int xlfo1Freq = Layout::xlfoTarget(0, XLFOTarget::Frequency);
    const int xlfo2Freq = Layout::xlfoTarget(1, XLFOTarget::Frequency);
    bench.connect(0, kXLFO1, xlfo2Freq, 0.5f);
    bench.connect(1, kXLFO2, xlfo1Freq, 0.5f);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kInactive);
    // Completed in the other order, the other slot is the one rejected.
    MatrixBench other;
    other.connect(1, kXLFO2, xlfo1Freq, 0.5f);
    other.connect(0, kXLFO1, xlfo2Freq, 0.5f);
    EXPECT_EQ(other.matrix->getSlotState(1), Matrix::kActive);
    EXPECT_EQ(other.matrix->getSlotState(0), Matrix::kInactive);

    // A loop through a chain of levels: slot 2 scales slot 0's level from EG 1, and slot 3 makes
    // XLFO 1 drive EG 1's attack. EG 1 -> level of 0 -> XLFO 1 -> XLFO 2 freq is fine, but
    // XLFO 1 -> EG 1 attack closes a loop.
    bench.connect(2, kEG1, bench.matrix->getLevelTarget(0), 0.5f);
    EXPECT_EQ(bench.matrix->getSlotState(2), Matrix::kActive);
    bench.connect(3, kXLFO2, Layout::egTarget(0, EGTarget::Attack), 0.5f);
    EXPECT_EQ(bench.matrix->getSlotState(3), Matrix::kInactive);

    // Clearing the first slot lets the rejected ones in.
    bench.slots().setSource(0, -1);
    bench.slots().setTarget(0, -1);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kInactive);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kActive);
    EXPECT_EQ(bench.matrix->getSlotState(3), Matrix::kActive);
}

TEST(MatrixDependencies, BypassedSlotStillBlocksALoopButContributesNothing) {
    MatrixBench bench;
    const int xlfo1Freq = Layout::xlfoTarget(0, XLFOTarget::Frequency);
    const int xlfo2Freq = Layout::xlfoTarget(1, XLFOTarget::Frequency);
    bench.matrix->setTargetValue(xlfo2Freq, 3.0f, 0.0f);
    bench.setSource(kXLFO1, 1.0f);
    bench.connect(0, kXLFO1, xlfo2Freq, 1.0f);
    EXPECT_GT(bench.value(xlfo2Freq), 3.0f);
    bench.slots().setBypass(0, true);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kInactive);
    EXPECT_FLOAT_EQ(bench.value(xlfo2Freq), 3.0f);

    bench.connect(1, kXLFO2, xlfo1Freq, 1.0f);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kInactive);
    // The base-class search offers the first slot that the rule rejects: the bypassed one.
    for (int s = 2; s < 24; ++s) bench.connect(s, kMidi1, Layout::filterTarget(s % 4, FilterTarget::Peak), 0.1f);
    EXPECT_EQ(bench.slots().findFreeSlot(), 0);
    // Switching the bypass off does not help while the other half of the loop is stored...
    bench.slots().setBypass(0, false);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kInactive);
    // ...but once it points elsewhere, both take part.
    bench.slots().setTarget(1, Layout::filterTarget(0, FilterTarget::Pan));
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kActive);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
    EXPECT_EQ(bench.slots().findFreeSlot(), -1);
    bench.slots().setSource(7, -1);
    bench.slots().setTarget(7, -1);
    EXPECT_EQ(bench.slots().findFreeSlot(), 7);
}

TEST(MatrixLevels, MiddleLevelMovesFilterFreqByDepthTimesLevel) {
    MatrixBench bench;
    bench.matrix->setTargetValue(kFreq1, 8.0f, 0.0f);
    bench.connect(0, kXLFO1, kFreq1, 0.16f);
    EXPECT_NEAR(bench.matrix->getTargetScale(89), 6.3f, 1e-6f);
    bench.setSource(kXLFO1, 1.0f);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f + 1.008f, 1e-5f);
    EXPECT_TRUE(bench.lastConstant);
    bench.setSource(kXLFO1, -1.0f);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f - 1.008f, 1e-5f);

    // A snapped XLFO has depth 1 on the frequency.
    bench.matrix->setSourceKind(kXLFO1, Matrix::kSnappedXLFO);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f - 0.16f, 1e-5f);
}

TEST(MatrixLevels, SamplesFollowAVaryingSourceAndNonFiniteSamplesCountAsZero) {
    MatrixBench bench;
    RampSource ramp(bench.env, -1.0f, 2.0f / 64.0f);
    bench.matrix->registerSourceProducer(kMidi1, &ramp);
    bench.matrix->setTargetValue(kPeak1, 0.5f, 0.0f);
    bench.connect(0, kMidi1, kPeak1, 0.25f);
    const wave::Buffer& out = bench.pull(kPeak1);
    EXPECT_FALSE(bench.lastConstant);
    for (int i = 0; i < MatrixBench::kBlock; ++i) {
        const float source = -1.0f + 2.0f / 64.0f * static_cast<float>(i);
        EXPECT_NEAR(out[i], 0.5f + 0.25f * source, 1e-6f) << i;
    }

    BrokenSource broken(bench.env);
    bench.matrix->registerSourceProducer(kMidi1, &broken);
    const wave::Buffer& sane = bench.pull(kPeak1);
    for (int i = 0; i < MatrixBench::kBlock; ++i) {
        ASSERT_TRUE(std::isfinite(sane[i])) << i;
        EXPECT_FLOAT_EQ(sane[i], i % 2 == 0 ? 0.5f + 0.25f * 0.5f : 0.5f) << i;
    }
}

TEST(MatrixLevels, InversionNegatesTheScaleAndFlipsTheLevelBounds) {
    MatrixBench bench;
    bench.matrix->setTargetValue(kFreq1, 8.0f, 0.0f);
    bench.connect(0, kXLFO1, kFreq1, 0.16f);
    const int level = bench.matrix->getLevelTarget(0);
    EXPECT_FLOAT_EQ(bench.matrix->getTargetLowerBound(level), 0.0f);
    EXPECT_FLOAT_EQ(bench.matrix->getTargetUpperBound(level), 6.3f);
    bench.slots().setInvert(0, true);
    EXPECT_FLOAT_EQ(bench.matrix->getTargetScale(level), -6.3f);
    EXPECT_FLOAT_EQ(bench.matrix->getTargetLowerBound(level), -6.3f);
    EXPECT_FLOAT_EQ(bench.matrix->getTargetUpperBound(level), 0.0f);
    // The level's ramp moved at once: the very next block is inverted.
    bench.setSource(kXLFO1, 1.0f);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f - 1.008f, 1e-5f);
    EXPECT_NEAR(bench.pull(level)[0], -1.008f, 1e-6f);
}

TEST(MatrixLevels, SecondOrderSlotIsMeasuredInTheUnitsOfTheSlotItModulates) {
    MatrixBench bench;
    bench.matrix->setTargetValue(kFreq1, 8.0f, 0.0f);
    bench.connect(0, kXLFO1, kFreq1, 0.16f);                         // scale 6.3
    bench.connect(1, kEF1, bench.matrix->getLevelTarget(0), 0.25f);  // EF depth 2 on class 0
    EXPECT_NEAR(bench.matrix->getTargetScale(bench.matrix->getLevelTarget(1)), 12.6f, 1e-5f);
    bench.setSource(kXLFO1, 0.5f);
    bench.setSource(kEF1, 1.0f);
    // Level of slot 0: 0.16 × 6.3 + 1 × 0.25 × 12.6 = 4.158.
    EXPECT_NEAR(bench.value(kFreq1), 8.0f + 0.5f * 4.158f, 1e-4f);
    // At full level the second slot could add 12.6, but slot 0's level stays within 0..6.3.
    bench.matrix->setTargetValue(bench.matrix->getLevelTarget(1), 1.0f, 0.0f);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f + 0.5f * 6.3f, 1e-4f);
    // Inverting slot 0 rescales the slot on its level.
    bench.slots().setInvert(0, true);
    EXPECT_NEAR(bench.matrix->getTargetScale(bench.matrix->getLevelTarget(1)), -12.6f, 1e-5f);
    EXPECT_NEAR(bench.value(kFreq1), 8.0f - 0.5f * 6.3f, 1e-4f);
}

TEST(MatrixLevels, ModulatedValuesAreClampedToTheClassBounds) {
    MatrixBench bench;
    bench.matrix->setTargetValue(kFreq1, 15.0f, 0.0f);
    bench.connect(0, kEF1, kFreq1, 1.0f);  // depth 20
    bench.setSource(kEF1, 1.0f);
    EXPECT_FLOAT_EQ(bench.value(kFreq1), 16.2064f);
    bench.setSource(kEF1, -1.0f);
    EXPECT_FLOAT_EQ(bench.value(kFreq1), 2.2665999f);

    RampSource ramp(bench.env, -1.0f, 2.0f / 64.0f);
    bench.matrix->registerSourceProducer(kEF1, &ramp);
    const wave::Buffer& out = bench.pull(kFreq1);
    float lowest = out[0], highest = out[0];
    for (int i = 0; i < MatrixBench::kBlock; ++i) {
        lowest = std::min(lowest, out[i]);
        highest = std::max(highest, out[i]);
    }
    EXPECT_FLOAT_EQ(lowest, 2.2665999f);
    EXPECT_FLOAT_EQ(highest, 16.2064f);
}

TEST(MatrixWaiting, SlotsOfAnUnregisteredSourceWaitUntilItIsRegistered) {
    MatrixBench bench(false);
    bench.matrix->registerSourceProducer(kEF1, bench.sources[kEF1].get());
    bench.matrix->setTargetValue(kFreq1, 8.0f, 0.0f);
    bench.setSource(kXLFO1, 1.0f);
    bench.setSource(kEF1, 1.0f);
    bench.connect(0, kXLFO1, kFreq1, 0.16f);
    // A slot on the waiting slot's level waits as well.
    bench.connect(1, kEF1, bench.matrix->getLevelTarget(0), 0.1f);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kWaiting);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kActive);
    EXPECT_FALSE(bench.matrix->isTargetClamped(kFreq1));
    EXPECT_FLOAT_EQ(bench.value(kFreq1), 8.0f);

    bench.connect(2, kXLFO2, kFreq1, 0.16f);
    EXPECT_EQ(bench.matrix->getSlotState(2), Matrix::kWaiting);
    bench.matrix->registerSourceProducer(kXLFO1, bench.sources[kXLFO1].get());
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
    EXPECT_EQ(bench.matrix->getSlotState(2), Matrix::kWaiting);
    EXPECT_FALSE(bench.matrix->isTargetClamped(kFreq1));
    // Slot 0's level: 0.16 × 6.3 + 0.1 × 12.6.
    EXPECT_NEAR(bench.value(kFreq1), 8.0f + 1.008f + 1.26f, 1e-4f);
    bench.matrix->registerSourceProducer(kXLFO2, bench.sources[kXLFO2].get());
    EXPECT_EQ(bench.matrix->getSlotState(2), Matrix::kActive);
    EXPECT_TRUE(bench.matrix->isTargetClamped(kFreq1));
}

TEST(MatrixWaiting, LevelSlotWaitingOnAnUnregisteredSourceHoldsItsOwnerBack) {
    MatrixBench bench(false);
    bench.matrix->registerSourceProducer(kXLFO1, bench.sources[kXLFO1].get());
    bench.connect(0, kXLFO1, kFreq1, 0.16f);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
    bench.connect(1, kEF1, bench.matrix->getLevelTarget(0), 0.1f);
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kWaiting);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kWaiting);
    bench.matrix->registerSourceProducer(kEF1, bench.sources[kEF1].get());
    EXPECT_EQ(bench.matrix->getSlotState(1), Matrix::kActive);
    EXPECT_EQ(bench.matrix->getSlotState(0), Matrix::kActive);
    // Moving the waiting slot away releases its owner as well.
    MatrixBench other(false);
    other.matrix->registerSourceProducer(kXLFO1, other.sources[kXLFO1].get());
    other.connect(0, kXLFO1, kFreq1, 0.16f);
    other.connect(1, kEF1, other.matrix->getLevelTarget(0), 0.1f);
    other.slots().setTarget(1, kPeak1);
    EXPECT_EQ(other.matrix->getSlotState(0), Matrix::kActive);
}

TEST(MatrixController, QueriesListSlotsBySourceTargetKindAndClass) {
    MatrixBench bench;
    bench.connect(0, kXLFO1, kFreq1, 0.2f);
    bench.connect(1, kEF1, Layout::filterTarget(1, FilterTarget::Freq), 0.2f);
    bench.connect(2, kXLFO2, kPeak1, 0.2f);
    bench.connect(3, kXLFO1, Layout::kMix, 0.2f);
    std::vector<int> out;
    auto& c = bench.slots();
    c.slotsWithSource(kXLFO1, out);
    EXPECT_EQ(out, (std::vector<int>{0, 3}));
    c.slotsWithSourceIn(kXLFO1, 6, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2, 3}));
    c.slotsByKindAndClass(Matrix::kXLFO, 1, out);
    EXPECT_EQ(out, (std::vector<int>{0}));
    c.slotsByKindAndClass(-1, 1, out);
    EXPECT_EQ(out, (std::vector<int>{0, 1}));
    c.slotsByKindAndClass(Matrix::kXLFO, -1, out);
    EXPECT_EQ(out, (std::vector<int>{0, 2, 3}));
    c.slotsWithTargetInRange(0, 16, out);
    EXPECT_EQ(out, (std::vector<int>{0, 1, 2}));
    c.slotsWithTargetIn({Layout::kMix, kPeak1}, out);
    EXPECT_EQ(out, (std::vector<int>{2, 3}));
    c.slotsWithTarget(kFreq1, out);
    EXPECT_EQ(out, (std::vector<int>{0}));
    EXPECT_FLOAT_EQ(c.getLevel(1), 0.2f);
    EXPECT_FLOAT_EQ(c.getDefaultLevel(), 0.5f);
}

}  // namespace

// Ten slots on one target, varying and constant sources interleaved (more terms than one summing
// pass takes): every sample is base + Σ source × level added in slot order, then clamped once.
// Constant slots ahead of the first varying one fold into one value, which is the same sum.
TEST(MatrixLevels, ManySlotsOnOneTargetAddInSlotOrderAndClampOnce) {
    const int orders[2][10] = {
        {kXY1Hor, kXY1Hor + 1, kXY1Hor + 2, kMidi1, kXY1Hor + 3, kXY1Hor + 4, kXY1Hor + 5, kXY1Hor + 6, kMidi1 + 1, kXY1Hor + 7},
        {kMidi1, kXY1Hor + 1, kXY1Hor + 2, kXY1Hor, kXY1Hor + 3, kXY1Hor + 4, kXY1Hor + 5, kXY1Hor + 6, kMidi1 + 1, kXY1Hor + 7}};
    for (const auto& sources : orders) {
        for (float rampSlope : {0.0004f, 2.0f}) {  // the second drives the sum into the bounds
            MatrixBench bench;
            RampSource up(bench.env, -0.5f, rampSlope);
            RampSource down(bench.env, 0.7f, -rampSlope);
            bench.matrix->registerSourceProducer(kMidi1, &up);
            bench.matrix->registerSourceProducer(kMidi1 + 1, &down);
            bench.matrix->setTargetValue(kFreq1, 9.0f, 0.0f);  // log2 Hz
            for (int s = 0; s < 10; ++s) {
                bench.connect(s, sources[s], kFreq1, 0.011f + 0.0037f * static_cast<float>(s));
                if (sources[s] < kMidi1) bench.setSource(sources[s], 0.9f - 0.17f * static_cast<float>(s));
            }
            bench.pull(kFreq1);  // the ramps reach their values
            const float lower = bench.matrix->getTargetLowerBound(kFreq1);
            const float upper = bench.matrix->getTargetUpperBound(kFreq1);
            bool clamped = false;
            for (int block = 1; block < 4; ++block) {
                const wave::Buffer& out = bench.pull(kFreq1);
                ASSERT_FALSE(bench.lastConstant);
                for (int i = 0; i < MatrixBench::kBlock; ++i) {
                    const float t = static_cast<float>(block * MatrixBench::kBlock + i);
                    float v = bench.matrix->getTargetBaseValue(kFreq1) * bench.matrix->getTargetScale(kFreq1);
                    for (int s = 0; s < 10; ++s) {
                        float x = 0.9f - 0.17f * static_cast<float>(s);
                        if (sources[s] == kMidi1) x = -0.5f + rampSlope * t;
                        if (sources[s] == kMidi1 + 1) x = 0.7f - rampSlope * t;
                        const int level = bench.matrix->getLevelTarget(s);
                        v += x * (bench.matrix->getTargetBaseValue(level) * bench.matrix->getTargetScale(level));
                    }
                    clamped = clamped || v < lower || v > upper;
                    v = std::min(std::max(v, lower), upper);
                    ASSERT_EQ(out[i], v) << "slope " << rampSlope << " block " << block << " sample " << i;
                }
            }
            EXPECT_EQ(clamped, rampSlope > 0.01f);
        }
    }
}
