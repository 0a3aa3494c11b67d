#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOFreqController.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;

struct Lfo {
    wave::Environment environment{kBlock};
    XLFO xlfo{environment};

    Lfo() {
        environment.setSampleRate(kRate);
        xlfo.setRandomSeed(12345);
    }
    void steps(std::vector<float> values, float glide = 0.0f, XLFO::GlideCurve curve = XLFO::Linear) {
        xlfo.stepCount().set(static_cast<int>(values.size()));
        for (size_t a = 0; a < values.size(); ++a) {
            XLFO::Step& s = xlfo.step(static_cast<int>(a));
            s.value().set(values[a]);
            s.glide().set(glide);
            s.glideFunction().set(curve);
        }
    }
    std::vector<float> run(long samples) { return source_test::render(environment, xlfo, samples, kBlock); }
};

// Sample indices where the signal crosses 0 upwards.
std::vector<long> risingEdges(const std::vector<float>& y) {
    std::vector<long> edges;
    for (size_t i = 1; i < y.size(); ++i)
        if (y[i - 1] < 0.0f && y[i] >= 0.0f) edges.push_back(static_cast<long>(i));
    return edges;
}

// Successive plateau values: one per run of at least two equal samples.
std::vector<float> plateaus(const std::vector<float>& y) {
    std::vector<float> values;
    for (size_t i = 0; i < y.size();) {
        size_t j = i;
        while (j + 1 < y.size() && y[j + 1] == y[i]) ++j;
        if (j > i) values.push_back(y[i]);
        i = j + 1;
    }
    return values;
}

}  // namespace

TEST(XLFOWave, TwoStepsAtHalfBalanceGiveASquareWaveAtTheSetRate) {
    Lfo lfo;
    lfo.steps({1.0f, -1.0f});
    lfo.xlfo.frequencyParameter().setTarget(2.0f, 0.0f);
    std::vector<float> y = lfo.run(static_cast<long>(kRate) * 3);

    std::vector<long> edges = risingEdges(y);
    ASSERT_GE(edges.size(), 5u);
    for (size_t k = 1; k < edges.size(); ++k) EXPECT_NEAR(edges[k] - edges[k - 1], 24000, 1);
    // Half of every period at each level, and nothing else but the edge samples.
    long high = 0, between = 0;
    for (long i = edges[1]; i < edges[2]; ++i) {
        high += y[static_cast<size_t>(i)] > 0.999f;
        between += std::fabs(y[static_cast<size_t>(i)]) < 0.999f;
    }
    EXPECT_NEAR(high, 12000, 2);
    EXPECT_LE(between, 2);
}

TEST(XLFOWave, GlideOneLinearGivesATriangle) {
    Lfo lfo;
    lfo.steps({-1.0f, 1.0f}, 1.0f, XLFO::Linear);
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    std::vector<float> y = lfo.run(static_cast<long>(kRate) * 2);
    float worst = 0.0f;
    for (size_t i = 0; i < y.size(); ++i) {
        const double p = std::fmod(static_cast<double>(i) / kRate, 1.0);
        const double expected = p < 0.5 ? -1.0 + 4.0 * p : 1.0 - 4.0 * (p - 0.5);
        worst = std::max(worst, static_cast<float>(std::fabs(y[i] - expected)));
    }
    EXPECT_LT(worst, 1e-3f);
}

// Step 0 from 0 to 1 over its whole length: its shape at a quarter and at half of the step.
TEST(XLFOWave, GlideFunctionsShapeTheTransition) {
    struct Case {
        XLFO::GlideCurve curve;
        float quarter, half;
    };
    const Case cases[] = {{XLFO::Linear, 0.25f, 0.5f},
                          {XLFO::Sqr, 0.0625f, 0.25f},
                          {XLFO::Sqrt, 0.5f, 0.70710678f},
                          {XLFO::Sine, 0.14644661f, 0.5f}};
    for (const Case& c : cases) {
        Lfo lfo;
        lfo.steps({0.0f, 1.0f}, 1.0f, c.curve);
        lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
        std::vector<float> y = lfo.run(24000);
        EXPECT_NEAR(y[6000], c.quarter, 1e-3f) << c.curve;
        EXPECT_NEAR(y[12000], c.half, 1e-3f) << c.curve;
    }
}

TEST(XLFOWave, NegativeGlobalGlideGivesHardStepsWhateverTheStepGlides) {
    Lfo lfo;
    lfo.steps({-1.0f, 1.0f}, 1.0f);
    lfo.xlfo.glideParameter().setTarget(-1.0f, 0.0f);
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    std::vector<float> y = lfo.run(48000);
    int between = 0;
    for (float v : y) between += std::fabs(v) < 0.999f;
    EXPECT_LE(between, 2);
}

TEST(XLFOWave, SingleFixedStepHoldsItsValue) {
    Lfo lfo;
    lfo.steps({0.7f}, 1.0f);
    lfo.xlfo.frequencyParameter().setTarget(5.0f, 0.0f);
    for (float v : lfo.run(48000)) ASSERT_FLOAT_EQ(v, 0.7f);
}

// Three steps at balance 0.25: step 0 spans [0, 1/6), the middle step [1/6, 0.5) straddling
// 0.25 at two speeds, step 2 [0.5, 1).
TEST(XLFOWave, OddStepCountRunsTheMiddleStepAtBothSpeeds) {
    Lfo lfo;
    lfo.steps({-1.0f, 0.0f, 1.0f});
    lfo.xlfo.balance().set(0.25f);
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    std::vector<float> y = lfo.run(48000);
    EXPECT_EQ(y[7990], -1.0f);
    EXPECT_EQ(y[8010], 0.0f);
    EXPECT_EQ(y[23990], 0.0f);
    EXPECT_EQ(y[24010], 1.0f);

    // With glide 1 the middle step is halfway at the balance point and three quarters of the
    // way a quarter cycle later (the second half runs at its own speed).
    Lfo glided;
    glided.steps({-1.0f, 0.0f, 1.0f});
    glided.xlfo.step(1).glide().set(1.0f);
    glided.xlfo.balance().set(0.25f);
    glided.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    y = glided.run(48000);
    EXPECT_NEAR(y[12000], 0.5f, 1e-3f);
    EXPECT_NEAR(y[18000], 0.75f, 1e-3f);
}

TEST(XLFOWave, BalanceChangeKeepsThePositionWithinTheHalf) {
    Lfo lfo;
    lfo.steps({1.0f, -1.0f});
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    lfo.run(12000);  // a quarter cycle: halfway through the first half
    EXPECT_NEAR(lfo.xlfo.getPhase(), 0.25, 1e-6);
    lfo.xlfo.balance().set(0.8f);
    EXPECT_NEAR(lfo.xlfo.getPhase(), 0.4, 1e-6);
    lfo.xlfo.balance().set(0.0f);  // clamped
    EXPECT_NEAR(lfo.xlfo.getPhase(), 0.00005, 1e-6);
    EXPECT_FLOAT_EQ(lfo.xlfo.balance().get(), XLFO::kMinBalance);
}

TEST(XLFOValues, SnapPutsEveryValueOnTheTwentyFiveLevelGrid) {
    EXPECT_FLOAT_EQ(XLFO::snapToGrid(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(XLFO::snapToGrid(0.51f), 0.5f);
    EXPECT_FLOAT_EQ(XLFO::snapToGrid(-1.0f), -1.0f);
    EXPECT_FLOAT_EQ(XLFO::snapToGrid(1.0f), 1.0f);

    // Random steps under snap, through the running LFO.
    Lfo lfo;
    lfo.steps({0.0f, 0.0f, 0.0f});
    for (int a = 0; a < 3; ++a) lfo.xlfo.step(a).random().set(true);
    lfo.xlfo.snap().set(true);
    lfo.xlfo.frequencyParameter().setTarget(100.0f, 0.0f);
    std::set<float> levels;
    for (float v : lfo.run(48000)) {
        const float grid = (v + 1.0f) * 12.0f;
        ASSERT_NEAR(grid, std::round(grid), 1e-4f) << v;
        levels.insert(v);
    }
    EXPECT_GT(levels.size(), 5u);

    // A fixed value snaps when snap is switched on and returns when it is switched off.
    Lfo fixed;
    fixed.steps({0.51f});
    fixed.xlfo.snap().set(true);
    EXPECT_FLOAT_EQ(fixed.run(64).back(), 0.5f);
    fixed.xlfo.snap().set(false);
    EXPECT_FLOAT_EQ(fixed.run(64).back(), 0.51f);
}

TEST(XLFOValues, RandomStepsDifferByAtLeastAFifthOnEveryPass) {
    for (int count : {1, 2, 5}) {
        Lfo lfo;
        lfo.steps(std::vector<float>(static_cast<size_t>(count), 0.0f));
        for (int a = 0; a < count; ++a) lfo.xlfo.step(a).random().set(true);
        lfo.xlfo.frequencyParameter().setTarget(100.0f / count, 0.0f);  // 100 steps per second
        std::vector<float> values = plateaus(lfo.run(static_cast<long>(kRate) * 40));
        ASSERT_GT(values.size(), 3000u) << count;
        std::set<float> distinct;
        double sum = 0.0;
        for (size_t k = 1; k < values.size(); ++k) {
            ASSERT_GE(std::fabs(values[k] - values[k - 1]), 0.2f - 1e-6f) << count << " at draw " << k;
            ASSERT_GE(values[k], 0.0f);
            ASSERT_LT(values[k], 1.0f);
            distinct.insert(values[k]);
            sum += values[k];
        }
        EXPECT_GT(distinct.size(), values.size() / 2) << count;
        EXPECT_NEAR(sum / static_cast<double>(values.size()), 0.5, 0.05) << count;
    }
}

// Every seed, including the extremes, keeps the 24-bit register inside its range.
TEST(XLFOValues, RandomValuesStayInRangeForAnySeed) {
    for (uint32_t seed : {0u, 0xFFFFFEu, 0xFFFFFFu, 0xFFFFFFFFu}) {
        Lfo lfo;
        lfo.xlfo.setRandomSeed(seed);
        lfo.steps({0.0f, 0.0f});
        lfo.xlfo.step(0).random().set(true);
        lfo.xlfo.step(1).random().set(true);
        lfo.xlfo.frequencyParameter().setTarget(200.0f, 0.0f);
        for (float v : lfo.run(48000)) {
            ASSERT_GE(v, 0.0f) << seed;
            ASSERT_LT(v, 1.0f) << seed;
        }
    }
}

TEST(XLFOTiming, MidiRetriggerRestartsAtTheFirstStep) {
    Lfo lfo;
    lfo.steps({-1.0f, -0.5f, 0.5f, 1.0f});
    lfo.xlfo.midiTrigger().set(true);
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    EXPECT_EQ(lfo.run(30000).back(), 0.5f);  // third step
    lfo.xlfo.noteOn();
    std::vector<float> y = lfo.run(512);
    EXPECT_EQ(y.front(), -1.0f);
    EXPECT_NEAR(lfo.xlfo.getPhase(), 512.0 / kRate, 1e-9);

    // The phase offset still applies after the restart.
    lfo.xlfo.phaseOffsetParameter().setTarget(0.25f, 0.0f);
    lfo.run(30000);
    lfo.xlfo.noteOn();
    EXPECT_EQ(lfo.run(64).front(), -0.5f);

    // With "MIDI Trigger" off a note changes nothing.
    lfo.xlfo.midiTrigger().set(false);
    const double before = lfo.xlfo.getPhase();
    lfo.xlfo.noteOn();
    EXPECT_EQ(lfo.xlfo.getPhase(), before);
}

TEST(XLFOTiming, SyncedToOneBarAt120BpmRunsAtHalfAHertzAndFollowsTheTempo) {
    Lfo lfo;
    XLFOFreqController controller(lfo.environment, lfo.xlfo);
    lfo.xlfo.setFrequencyInput(&controller);
    lfo.steps({1.0f, -1.0f});
    controller.syncMode().set(XLFOFreqController::Bar1);

    // A playing host: the song position advances with the tempo and is reported every block.
    float bpm = 120.0f;
    double quarters = 0.0;
    auto host = [&](long) {
        controller.setTempo(bpm, static_cast<float>(quarters));
        quarters += kBlock / kRate * bpm / 60.0;
    };
    std::vector<float> y = source_test::render(lfo.environment, lfo.xlfo, static_cast<long>(kRate) * 7, kBlock, host);
    EXPECT_FLOAT_EQ(controller.pull(kBlock, 0)->data()[0], 0.5f);
    std::vector<long> edges = risingEdges(y);
    ASSERT_GE(edges.size(), 3u);
    for (size_t k = 1; k < edges.size(); ++k) EXPECT_NEAR(edges[k] - edges[k - 1], 96000, 2);
    // Locked to the song position: a new cycle starts on every bar line.
    const double bars = static_cast<double>(edges.back()) / kRate * 0.5;
    EXPECT_NEAR(bars, std::round(bars), 1e-3);

    // Half the tempo: after the smoothing, a cycle takes twice as long.
    bpm = 60.0f;
    source_test::render(lfo.environment, lfo.xlfo, static_cast<long>(kRate) * 1, kBlock, host);
    EXPECT_FLOAT_EQ(controller.pull(kBlock, 0)->data()[0], 0.25f);
    y = source_test::render(lfo.environment, lfo.xlfo, static_cast<long>(kRate) * 13, kBlock, host);
    edges = risingEdges(y);
    ASSERT_GE(edges.size(), 3u);
    for (size_t k = 1; k < edges.size(); ++k) EXPECT_NEAR(edges[k] - edges[k - 1], 192000, 2);

    // The offset multiplier doubles the rate; a tempo of 0 counts as 120.
    controller.offsetParameter().setTarget(2.0f, 0.0f);
    controller.setTempo(0.0f, static_cast<float>(quarters));
    controller.tempoFrequency().ramp().jumpToEnd();
    lfo.environment.advanceBlock();
    EXPECT_FLOAT_EQ(controller.pull(kBlock, 0)->data()[0], 1.0f);
}

TEST(XLFOTiming, SyncFollowsTheSongPositionAndTheTriggerPosition) {
    Lfo lfo;
    XLFOFreqController controller(lfo.environment, lfo.xlfo);
    lfo.xlfo.setFrequencyInput(&controller);
    controller.syncMode().set(XLFOFreqController::Bar1);
    controller.setTempo(120.0f, 6.0f);  // one and a half bars
    lfo.run(64);
    EXPECT_NEAR(lfo.xlfo.getSyncPhase(), 0.5 + 64 * 0.5 / kRate, 1e-4);

    // A note at quarter 9 restarts the cycle; later positions count from there.
    lfo.xlfo.midiTrigger().set(true);
    controller.setTempo(120.0f, 9.0f);
    lfo.xlfo.noteOn();
    lfo.run(64);
    controller.setTempo(120.0f, 10.0f);
    lfo.run(64);
    EXPECT_NEAR(lfo.xlfo.getSyncPhase(), 0.25 + 64 * 0.5 / kRate, 1e-4);
}

TEST(XLFOTiming, FastHintAboveTwentyStepsPerSecond) {
    Lfo lfo;
    lfo.xlfo.stepCount().set(16);
    lfo.xlfo.frequencyParameter().setTarget(1.0f, 0.0f);
    lfo.run(64);
    EXPECT_FALSE(lfo.xlfo.isFast());
    lfo.xlfo.frequencyParameter().setTarget(2.0f, 0.0f);
    lfo.run(64);
    EXPECT_TRUE(lfo.xlfo.isFast());
}
