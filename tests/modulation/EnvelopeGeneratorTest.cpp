#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/EnvelopeGenerator.h"
#include "modulation/Trigger.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;
constexpr float kTop = 1.0f - 1.1920929e-7f;
using EG = EnvelopeGenerator;

struct Envelope {
    wave::Environment environment{kBlock};
    EG eg{environment};

    explicit Envelope(EG::Triggering mode = EG::Midi) {
        environment.setSampleRate(kRate);
        eg.triggering().set(mode);
    }
    void set(EG::Parameter p, float value) { eg.parameter(p).setTarget(value, 0.0f); }
    // Renders `total` samples; `atBlock(start)` may act before the block starting at `start`.
    std::vector<float> run(long total, const std::function<void(long)>& atBlock = {}) {
        return source_test::render(environment, eg, total, kBlock, atBlock);
    }
};

// First index at or after `from` where the predicate holds (or -1).
template <class P>
long firstWhere(const std::vector<float>& y, long from, P predicate) {
    for (long i = from; i < static_cast<long>(y.size()); ++i)
        if (predicate(y[static_cast<size_t>(i)])) return i;
    return -1;
}

}  // namespace

TEST(EnvelopeStages, AttackOfOneSecondLasts48000SamplesThenDecaysToSustain) {
    Envelope e;
    e.set(EG::Attack, 1.0f);
    e.set(EG::Decay, 1.0f);
    e.set(EG::Sustain, 0.5f);
    e.eg.midiNoteOn();
    std::vector<float> y = e.run(3 * 48000);

    const long peak = std::max_element(y.begin(), y.end()) - y.begin();
    EXPECT_NEAR(peak, 48000, 64);
    EXPECT_NEAR(y[static_cast<size_t>(peak)], kTop, 1e-6f);
    EXPECT_LT(y[47000], 0.995f);
    for (size_t i = 1; i < 48000; ++i) ASSERT_GE(y[i], y[i - 1]);
    for (size_t i = 48001; i < y.size(); ++i) ASSERT_LE(y[i], y[i - 1]);
    EXPECT_NEAR(y[96200], 0.5f, 1e-4f);
    EXPECT_FLOAT_EQ(y.back(), 0.5f);
}

TEST(EnvelopeStages, SustainOfOneStaysAtTheTop) {
    Envelope e;
    e.set(EG::Attack, 0.01f);
    e.set(EG::Sustain, 1.0f);
    e.eg.midiNoteOn();
    std::vector<float> y = e.run(48000);
    for (size_t i = 600; i < y.size(); ++i) ASSERT_GE(y[i], kTop);
}

TEST(EnvelopeStages, DelayHoldsTheStartForItsTime) {
    Envelope e;
    e.set(EG::Delay, 0.1f);
    e.set(EG::Attack, 0.01f);
    e.eg.midiNoteOn();
    std::vector<float> y = e.run(12000);
    EXPECT_EQ(firstWhere(y, 0, [](float v) { return v > 0.0f; }), 4801);
}

TEST(EnvelopeStages, HoldDelaysTheReleaseAfterTheGateCloses) {
    for (float hold : {0.0f, 0.5f}) {
        Envelope e;
        e.set(EG::Attack, 0.01f);
        e.set(EG::Decay, 0.01f);
        e.set(EG::Sustain, 0.6f);
        e.set(EG::Release, 0.1f);
        e.set(EG::Hold, hold);
        e.eg.midiNoteOn();
        const long close = 18 * kBlock;
        std::vector<float> y = e.run(48000, [&](long start) {
            if (start == close) e.eg.closeGate();
        });
        EXPECT_FLOAT_EQ(y[static_cast<size_t>(close) - 1], 0.6f);
        const long falls = firstWhere(y, close, [](float v) { return v < 0.599f; });
        EXPECT_NEAR(falls - close, hold * kRate, 64) << hold;
        EXPECT_EQ(y.back(), 0.0f);
    }
}

TEST(EnvelopeStages, GateClosedDuringTheAttackReleasesFromTheCurrentValue) {
    Envelope e;
    e.set(EG::Attack, 1.0f);
    e.set(EG::Release, 0.05f);
    e.eg.midiNoteOn();
    const long close = 47 * kBlock;
    std::vector<float> y = e.run(48000, [&](long start) {
        if (start == close) e.eg.closeGate();
    });
    const float reached = y[static_cast<size_t>(close) - 1];
    EXPECT_GT(reached, 0.2f);
    EXPECT_LT(reached, 0.8f);
    EXPECT_NEAR(y[static_cast<size_t>(close)], reached, 1e-3f);
    for (long i = close + 1; i < close + 2400; ++i) ASSERT_LE(y[static_cast<size_t>(i)], y[static_cast<size_t>(i) - 1]);
    EXPECT_EQ(y[static_cast<size_t>(close) + 2500], 0.0f);
    e.run(kBlock);
    EXPECT_EQ(e.eg.getStage(), EG::Idle);
}

TEST(EnvelopeStages, RetriggerDuringTheReleaseStartsFromTheCurrentValue) {
    Envelope e;
    e.set(EG::Attack, 0.01f);
    e.set(EG::Sustain, 0.8f);
    e.set(EG::Release, 1.0f);
    const long retrigger = 60 * kBlock;
    std::vector<float> y = e.run(96000, [&](long start) {
        if (start == 0 || start == retrigger) e.eg.midiNoteOn();
        if (start == 10 * kBlock) e.eg.closeGate();
    });
    const float reached = y[static_cast<size_t>(retrigger) - 1];
    EXPECT_GT(reached, 0.05f);
    EXPECT_LT(reached, 0.5f);
    EXPECT_NEAR(y[static_cast<size_t>(retrigger)], reached, 2e-3f);
    EXPECT_NEAR(*std::max_element(y.begin() + retrigger, y.end()), kTop, 1e-6f);
    EXPECT_FLOAT_EQ(y.back(), 0.8f);
}

TEST(EnvelopeStages, RaisingTheSustainDuringTheDecayRisesToIt) {
    Envelope e;
    e.set(EG::Attack, 0.01f);
    e.set(EG::Decay, 1.0f);
    e.set(EG::Sustain, 0.0f);
    e.eg.midiNoteOn();
    const long raise = 30 * kBlock;
    std::vector<float> y = e.run(96000, [&](long start) {
        if (start == raise) e.set(EG::Sustain, 0.9f);
    });
    const float before = y[static_cast<size_t>(raise) - 1];
    EXPECT_LT(before, 0.8f);
    EXPECT_NEAR(y[static_cast<size_t>(raise)], before, 1e-3f);
    for (size_t i = static_cast<size_t>(raise) + 1; i < y.size(); ++i) ASSERT_GE(y[i], y[i - 1]);
    EXPECT_FLOAT_EQ(y.back(), 0.9f);
}

// The delay time matters for the delay stage in progress (counted from its start) and for the
// next trigger; it never pauses an envelope that is already past its delay.
TEST(EnvelopeStages, DelayChangesApplyToTheDelayStageOnly) {
    Envelope shortened;
    shortened.set(EG::Delay, 1.0f);
    shortened.set(EG::Attack, 0.01f);
    shortened.eg.midiNoteOn();
    std::vector<float> y = shortened.run(48000, [&](long start) {
        if (start == 24 * kBlock) shortened.set(EG::Delay, 0.5f);
    });
    EXPECT_NEAR(firstWhere(y, 0, [](float v) { return v > 0.0f; }), 24000, 64);

    Envelope decaying;
    decaying.set(EG::Attack, 0.01f);
    decaying.set(EG::Decay, 1.0f);
    decaying.set(EG::Sustain, 0.0f);
    decaying.eg.midiNoteOn();
    const long change = 20 * kBlock;
    y = decaying.run(24000, [&](long start) {
        if (start == change) decaying.set(EG::Delay, 1.0f);
    });
    EXPECT_LT(y[static_cast<size_t>(change) + 1000], y[static_cast<size_t>(change)] - 0.01f);
}

TEST(EnvelopeTriggering, AudioOnsetsOpenAndCloseTheGate) {
    Envelope e(EG::NormalInput);
    source_test::Signal level(e.environment, [](long t) { return t >= 1000 && t < 20000 ? 0.5f : 0.0f; });
    Trigger trigger(e.environment);
    trigger.setInput(&level);
    trigger.threshold().set(0.3f);
    e.eg.setTrigger(&trigger);
    e.set(EG::Attack, 0.01f);
    e.set(EG::Sustain, 0.7f);
    e.set(EG::Release, 0.05f);
    std::vector<float> y = e.run(30000);
    EXPECT_EQ(firstWhere(y, 0, [](float v) { return v > 0.0f; }), 1001);
    // Below half the threshold from 20000; closed after 720 more samples (the 15 ms hold).
    EXPECT_FLOAT_EQ(y[20719], 0.7f);
    EXPECT_EQ(firstWhere(y, 20000, [](float v) { return v < 0.7f; }), 20721);
    EXPECT_EQ(y.back(), 0.0f);

    // On "MIDI" the trigger is off: audio onsets do nothing, notes do.
    e.eg.triggering().set(EG::Midi);
    EXPECT_FALSE(trigger.enabled().get());
    level.setShape([](long) { return 1.0f; });
    for (float v : e.run(4096)) ASSERT_EQ(v, 0.0f);
    e.eg.midiNoteOn();
    EXPECT_GT(e.run(4096).back(), 0.5f);
}

TEST(EnvelopeTriggering, ChangingTheTriggeringClosesTheGateAndMutesOnlyWhenIdle) {
    Envelope e;
    wave::Buffer scratch(kBlock);
    EXPECT_TRUE(e.eg.shouldMute(scratch, kBlock, 0));
    e.eg.midiNoteOn();
    EXPECT_FALSE(e.eg.shouldMute(scratch, kBlock, 0));
    e.run(kBlock);
    EXPECT_TRUE(e.eg.isGateOpen());
    e.eg.triggering().set(EG::SideChain);
    EXPECT_FALSE(e.eg.isGateOpen());
    e.eg.midiNoteOn();  // not on "MIDI": ignored
    EXPECT_FALSE(e.eg.isTriggerPending());
    e.run(48000);
    EXPECT_EQ(e.eg.getStage(), EG::Idle);
    EXPECT_TRUE(e.eg.shouldMute(scratch, kBlock, 0));
}

// A generator that nobody pulls runs from the update list in skipped blocks; when it is picked
// up it is exactly where a rendered one is.
TEST(EnvelopeTriggering, SkippedBlocksAdvanceLikeRenderedOnes) {
    Envelope e;
    EG skipped(e.environment);
    skipped.triggering().set(EG::Midi);
    skipped.setUpdatePriority(1);
    for (EG* g : {&e.eg, &skipped}) {
        g->parameter(EG::Attack).setTarget(0.3f, 0.0f);
        g->parameter(EG::Sustain).setTarget(0.4f, 0.0f);
        g->parameter(EG::Decay).setTarget(0.2f, 0.0f);
        g->midiNoteOn();
    }
    for (int block = 0; block < 60; ++block) {
        e.environment.advanceBlock();
        const float* a = e.eg.pull(kBlock, 0)->data();
        if (block >= 20) {
            const float* b = skipped.pull(kBlock, 0)->data();
            for (int i = 0; i < kBlock; ++i) ASSERT_EQ(a[i], b[i]) << "block " << block;
        }
        e.environment.run(kBlock, 0);
    }
}

TEST(EnvelopeTriggering, GateChangesAreReportedAtMostTenTimesASecond) {
    struct Counter : EG::Listener {
        int calls = 0;
        bool last = false;
        void gateChanged(EG&, bool open) override {
            ++calls;
            last = open;
        }
    } counter;
    Envelope e;
    e.eg.setListener(&counter);
    int block = 0;
    e.run(48000, [&](long) {
        if (block++ % 2 == 0) {
            e.eg.midiNoteOn();
        } else {
            e.eg.closeGate();
        }
    });
    EXPECT_GE(counter.calls, 9);
    EXPECT_LE(counter.calls, 11);
}

// The attack and the release run four samples at a time where a call allows it and one by one
// otherwise: calls of 512, 7 and 1 sample give the same bits, for releases that end inside a call,
// a note during the release, a release from the attack, and a generator advanced unheard in
// skipped blocks.
TEST(EnvelopeStages, AttackAndReleaseAreTheSameForEveryCallSize) {
    const long total = 24 * 3584;  // whole calls for every size below
    auto render = [&](int calls, float release, bool skipped) {
        wave::Environment environment(kBlock);
        environment.setSampleRate(kRate);
        EG eg(environment);
        eg.triggering().set(EG::Midi);
        eg.parameter(EG::Attack).setTarget(0.2f, 0.0f);
        eg.parameter(EG::Decay).setTarget(0.05f, 0.0f);
        eg.parameter(EG::Sustain).setTarget(0.7f, 0.0f);
        eg.parameter(EG::Release).setTarget(release, 0.0f);
        if (skipped) eg.setUpdatePriority(1);
        std::vector<float> y;
        for (long start = 0; start < total; start += calls) {
            // Events on boundaries every call size shares (multiples of 7 * 512): a close during
            // the attack, a note during the release (of the longer releases), closes from sustain.
            if (start % 3584 == 0) {
                const long event = start / 3584;
                if (event == 0 || event == 6 || event == 14) eg.midiNoteOn();
                if (event == 2 || event == 10 || event == 18) eg.closeGate();
            }
            environment.advanceBlock();
            // The skipped generator is heard only in the last quarter.
            if (!skipped || start >= total * 3 / 4) {
                const float* out = eg.pull(calls, 0)->data();
                y.insert(y.end(), out, out + calls);
            }
            environment.run(calls, 0);
        }
        return y;
    };
    for (float release : {0.003f, 0.05f, 0.4f}) {
        for (bool skipped : {false, true}) {
            const std::vector<float> reference = render(512, release, skipped);
            ASSERT_FALSE(reference.empty());
            EXPECT_GT(*std::max_element(reference.begin(), reference.end()), 0.5f);
            for (int calls : {7, 1}) {
                const std::vector<float> y = render(calls, release, skipped);
                ASSERT_EQ(y.size(), reference.size());
                long differing = 0, first = -1;
                for (size_t i = 0; i < y.size(); ++i) {
                    if (std::memcmp(&y[i], &reference[i], sizeof(float)) != 0) {
                        if (first < 0) first = static_cast<long>(i);
                        ++differing;
                    }
                }
                EXPECT_EQ(differing, 0) << "release " << release << (skipped ? " skipped" : "") << ", calls of "
                                        << calls << ", first at " << first;
            }
        }
    }
}
