#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/EnvelopeFollower.h"
#include "modulation/EnvelopeGenerator.h"
#include "modulation/Trigger.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOFreqController.h"
#include "support/AllocationCounter.h"

namespace {

constexpr int kBlock = 512;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Cycles through values no parameter should ever see, and the extremes of the legal ones.
float hostile(long t) {
    static const float values[] = {kNaN, kInf, -kInf, 0.0f, -1.0f, 1e30f, -1e30f, 1e-30f, 5000.0f, 100.0f};
    return values[(t / 37) % 10];
}

// Every source of this subsystem together, as the product wires them.
struct Sources {
    wave::Environment environment{kBlock};
    source_test::Signal level{environment, [](long t) { return (t / 3000) % 2 ? 0.9f : 0.01f; }};
    XLFO xlfo{environment};
    XLFOFreqController controller{environment, xlfo};
    EnvelopeGenerator eg{environment};
    Trigger trigger{environment};
    EnvelopeFollower follower{environment};

    explicit Sources(float rate) {
        environment.setSampleRate(rate);
        xlfo.setFrequencyInput(&controller);
        trigger.setInput(&level);
        eg.setTrigger(&trigger);
        follower.setInput(&level);
        for (int a = 0; a < XLFO::kMaxSteps; ++a) {
            xlfo.step(a).value().set(a % 2 ? 1.0f : -1.0f);
            xlfo.step(a).glide().set(0.1f * static_cast<float>(a % 10));
            xlfo.step(a).glideFunction().set(static_cast<XLFO::GlideCurve>(a % 4));
            xlfo.step(a).random().set(a % 3 == 0);
        }
    }
    // Pulls every source for one block and checks the ranges.
    void runBlock(int frames) {
        environment.advanceBlock();
        const float* x = xlfo.pull(frames, 0)->data();
        const float* e = eg.pull(frames, 0)->data();
        const float* f = follower.pull(frames, 0)->data();
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(x[i] >= -1.0f && x[i] <= 1.0f) << x[i];
            ASSERT_TRUE(e[i] >= 0.0f && e[i] <= 1.0f) << e[i];
            ASSERT_TRUE(f[i] >= 0.0f && f[i] <= 2.0f) << f[i];
        }
        environment.run(frames, 0);
    }
};

}  // namespace

TEST(SourceRobustness, NonFiniteAndExtremeInputsGiveBoundedOutput) {
    for (float rate : {8000.0f, 48000.0f, 192000.0f}) {
        Sources s(rate);
        source_test::Signal bad(s.environment, hostile);
        s.controller.setFreeFrequencyInput(&bad);
        s.xlfo.setGlideInput(&bad);
        s.xlfo.setPhaseOffsetInput(&bad);
        for (int p = 0; p < EnvelopeGenerator::kParameterCount; ++p)
            s.eg.setParameterInput(static_cast<EnvelopeGenerator::Parameter>(p), &bad);
        s.follower.setAttackInput(&bad);
        s.follower.setReleaseInput(&bad);
        s.level.setShape(hostile);
        for (int block = 0; block < 200; ++block) {
            if (block % 7 == 0) s.eg.triggering().set(block % 2 ? EnvelopeGenerator::Midi : EnvelopeGenerator::NormalInput);
            s.eg.midiNoteOn();
            s.xlfo.noteOn();
            s.xlfo.stepCount().set(1 + block % 16);
            s.xlfo.balance().set(block % 3 == 0 ? 0.0f : 1.0f);
            s.runBlock(1 + (block * 97) % kBlock);
        }
        // Synced at absurd tempos and offsets.
        s.controller.syncMode().set(XLFOFreqController::SixtyFourth);
        s.controller.setOffsetInput(&bad);
        for (int block = 0; block < 50; ++block) {
            s.controller.setTempo(block % 2 ? 1e9f : kNaN, block % 3 ? kInf : static_cast<float>(block));
            s.runBlock(kBlock);
        }

        // Back to ordinary inputs, every source works normally: no state was poisoned.
        s.controller.syncMode().set(XLFOFreqController::Free);
        s.controller.setFreeFrequencyInput(nullptr);
        s.controller.freeFrequencyParameter().setTarget(50.0f, 0.0f);
        s.xlfo.setGlideInput(nullptr);
        s.xlfo.setPhaseOffsetInput(nullptr);
        for (int p = 0; p < EnvelopeGenerator::kParameterCount; ++p)
            s.eg.setParameterInput(static_cast<EnvelopeGenerator::Parameter>(p), nullptr);
        s.eg.parameter(EnvelopeGenerator::Sustain).setTarget(0.5f, 0.0f);
        s.eg.triggering().set(EnvelopeGenerator::Midi);
        s.eg.midiNoteOn();
        s.follower.setAttackInput(nullptr);
        s.follower.setReleaseInput(nullptr);
        s.level.setShape([](long) { return 1.0f; });
        const double phase = s.xlfo.getPhase();
        for (int block = 0; block < 100; ++block) s.runBlock(kBlock);
        EXPECT_TRUE(std::isfinite(s.xlfo.getPhase()));
        EXPECT_NE(s.xlfo.getPhase(), phase);
        EXPECT_FLOAT_EQ(s.eg.getCurrentValue(), 0.5f);
        EXPECT_NEAR(s.follower.getOutput()->data()[kBlock - 1], 1.0f, 1e-3f);
    }
}

// Zero for every time: the shortest stages, never a division by zero.
TEST(SourceRobustness, TimesOfZeroStayFinite) {
    Sources s(48000.0f);
    source_test::Signal zero(s.environment, [](long) { return 0.0f; });
    for (int p = 0; p < EnvelopeGenerator::kParameterCount; ++p)
        s.eg.setParameterInput(static_cast<EnvelopeGenerator::Parameter>(p), &zero);
    s.follower.setAttackInput(&zero);
    s.follower.setReleaseInput(&zero);
    s.xlfo.setFrequencyInput(&zero);
    s.eg.triggering().set(EnvelopeGenerator::Midi);
    for (int block = 0; block < 100; ++block) {
        if (block % 4 == 0) s.eg.midiNoteOn();
        if (block % 4 == 2) s.eg.closeGate();
        s.runBlock(kBlock);
    }
}

TEST(SourceRobustness, NothingAllocatesAfterConstruction) {
    Sources s(48000.0f);
    s.controller.syncMode().set(XLFOFreqController::Quarter);
    s.runBlock(kBlock);
    alloc_counter::arm();
    for (int block = 0; block < 400; ++block) {
        const int frames = 1 + (block * 131) % kBlock;
        s.controller.setTempo(90.0f + static_cast<float>(block % 50), static_cast<float>(block) * 0.5f);
        if (block == 200) s.controller.syncMode().set(XLFOFreqController::Free);
        s.controller.freeFrequencyParameter().setTarget(static_cast<float>(block % 40));
        s.xlfo.glideParameter().setTarget(block % 2 ? 0.5f : -0.5f);
        s.xlfo.phaseOffsetParameter().setTarget(static_cast<float>(block % 5) * 0.2f);
        s.xlfo.stepCount().set(1 + block % 16);
        s.xlfo.balance().set(0.1f + 0.05f * static_cast<float>(block % 16));
        s.xlfo.snap().set(block % 3 == 0);
        s.xlfo.noteOn();
        s.eg.parameter(EnvelopeGenerator::Attack).setTarget(0.001f * static_cast<float>(block % 9));
        s.eg.parameter(EnvelopeGenerator::Sustain).setTarget(0.1f * static_cast<float>(block % 10));
        s.eg.parameter(EnvelopeGenerator::Hold).setTarget(0.01f * static_cast<float>(block % 3));
        if (block % 50 == 0) s.eg.triggering().set(block % 100 ? EnvelopeGenerator::Midi : EnvelopeGenerator::SideChain);
        s.eg.midiNoteOn();
        if (block % 5 == 0) s.eg.closeGate();
        s.trigger.threshold().set(0.2f + 0.01f * static_cast<float>(block % 30));
        s.trigger.holdTime().set(static_cast<float>(block % 20));
        s.follower.attackParameter().setTarget(0.001f * static_cast<float>(1 + block % 7));
        s.runBlock(frames);
    }
    EXPECT_EQ(alloc_counter::disarm(), 0u);
}
