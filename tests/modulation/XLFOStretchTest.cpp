#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOGlide.h"
#include "modulation/XLFOSyncPhase.h"

// The step LFO renders a pass with constant inputs as stretches whose ends come from the exact
// phase at a few samples. These tests hold it to the sample-by-sample form: the sync phase walk
// against the plain sum, and whole renders against the same XLFO fed through an input that is not
// flagged constant (which takes the per-sample loop).

namespace {

// The increments of odd rates: free frequencies, tempo-synced ones, and an exact halfway case.
std::vector<double> oddIncrements() {
    std::vector<double> increments;
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (double f : {0.01, 1.0 / 3.0, 0.5 * 117.0 / 120.0, 7.77, 12.5, 440.0001, 4999.9})
            increments.push_back(static_cast<float>(f) * (1.0 / rate));
    increments.push_back(1.5 * std::ldexp(1.0, -53));  // half a grid step in [0.5, 1): rounding to even
    increments.push_back(std::ldexp(1.0, -60));        // below half a grid step near 1: the phase stands
    return increments;
}

}  // namespace

TEST(XLFOSyncPhase, RunsReproduceTheSampleBySampleSumOverLongRuns) {
    for (double increment : oddIncrements()) {
        for (double start : {0.0, 0.3, 0.5 - 1e-12, 0.999999, std::ldexp(1.0, -40)}) {
            double serial = start;
            double walked = start;
            long checked = 0;
            bool same = true;
            while (checked < 400000 && same) {
                const xlfo_phase::Run run = xlfo_phase::run(walked, increment, 4096);
                ASSERT_GE(run.count, 1);
                for (long j = 0; j < run.count && same; ++j) {
                    serial = xlfo_phase::step(serial, increment);
                    same = serial == run.first + static_cast<double>(j) * run.delta;
                }
                walked = run.first + static_cast<double>(run.count - 1) * run.delta;
                checked += run.count;
            }
            EXPECT_TRUE(same) << "increment " << increment << " from " << start << " after " << checked;
            EXPECT_EQ(xlfo_phase::advance(start, increment, 123457), [&] {
                double s = start;
                for (int k = 0; k < 123457; ++k) s = xlfo_phase::step(s, increment);
                return s;
            }()) << "increment " << increment << " from " << start;
        }
    }
}

TEST(XLFOGlideCurve, SineStaysWithinItsBoundOfTheExactCurveInOneLaneAndFour) {
    double worst = 0.0;
    for (int k = 1; k <= 1 << 20; k += 4) {
        float t[4];
        for (int j = 0; j < 4; ++j) t[j] = static_cast<float>(k + j) / static_cast<float>(1 << 20);
        alignas(16) float lanes[4];
        xlfo_glide::sine(wave::Float4::loadUnaligned(t)).store(lanes);
        for (int j = 0; j < 4; ++j) {
            const float one = xlfo_glide::sine(t[j]);
            EXPECT_EQ(one, lanes[j]) << t[j];
            const double exact = (std::sin((t[j] - 0.5) * 3.14159265358979323846) + 1.0) * 0.5;
            worst = std::max(worst, std::fabs(one - exact));
        }
    }
    EXPECT_LT(worst, 2.5e-7);
    EXPECT_NEAR(xlfo_glide::sine(1.0f), 1.0f, 2.5e-7f);
}

namespace {

constexpr int kLargestBlock = 1024;

// The same XLFO twice: one reading its embedded constant inputs, the other the same values through
// an input that reports itself varying.
struct Pair {
    wave::Environment environment{kLargestBlock};
    XLFO stretches{environment};
    XLFO bySample{environment};
    source_test::Signal frequency;
    source_test::Signal glide;
    source_test::Signal offset;
    float f = 1.0f, g = 0.0f, o = 0.0f;

    explicit Pair(float rate)
        : frequency(environment, [this](long) { return f; }),
          glide(environment, [this](long) { return g; }),
          offset(environment, [this](long) { return o; }) {
        environment.setSampleRate(rate);
        bySample.setFrequencyInput(&frequency);
        bySample.setGlideInput(&glide);
        bySample.setPhaseOffsetInput(&offset);
        for (XLFO* x : {&stretches, &bySample}) x->setRandomSeed(777);
    }
    template <class F>
    void both(F action) {
        action(stretches);
        action(bySample);
    }
    void set(float frequencyHz, float globalGlide, float phaseOffset) {
        f = frequencyHz;
        g = globalGlide;
        o = phaseOffset;
        both([&](XLFO& x) {
            x.frequencyParameter().setTarget(f, 0.0f);
            x.glideParameter().setTarget(g, 0.0f);
            x.phaseOffsetParameter().setTarget(o, 0.0f);
        });
    }
    // Renders both in blocks of `block`; every sample and the phase at the end must agree.
    void compare(long samples, int block, const char* what) {
        std::vector<float> a, b;
        for (long start = 0; start < samples; start += block) {
            const int frames = static_cast<int>(std::min<long>(block, samples - start));
            environment.advanceBlock();
            const float* x = stretches.pull(frames, 0)->data();
            a.insert(a.end(), x, x + frames);
            const float* y = bySample.pull(frames, 0)->data();
            b.insert(b.end(), y, y + frames);
            environment.run(frames, 0);
        }
        long mismatches = 0, first = -1;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i] && mismatches++ == 0) first = static_cast<long>(i);
        EXPECT_EQ(mismatches, 0) << what << ": first at sample " << first;
        EXPECT_EQ(stretches.getPhase(), bySample.getPhase()) << what;
        EXPECT_EQ(stretches.getSyncPhase(), bySample.getSyncPhase()) << what;
    }
};

void sixteenMixedSteps(Pair& p, int count) {
    p.both([&](XLFO& x) {
        x.stepCount().set(count);
        for (int a = 0; a < XLFO::kMaxSteps; ++a) {
            XLFO::Step& s = x.step(a);
            s.value().set(std::sin(1.7f * static_cast<float>(a)));
            s.glide().set(0.2f * static_cast<float>(a % 6));
            s.glideFunction().set(static_cast<XLFO::GlideCurve>(a % 4));
            s.random().set(a % 3 == 1);
        }
    });
}

}  // namespace

TEST(XLFOStretches, FreeRunningRendersMatchTheSampleBySampleLoopBitForBit) {
    struct Case {
        float rate;
        int count;
        float balance, frequency, glide, offset;
        int block;
    };
    const Case cases[] = {
        {48000.0f, 16, 0.5f, 12.5f, 0.0f, 0.0f, 512},     // the benchmark's kind of setting
        {44100.0f, 7, 0.23f, 1.0f / 3.0f, 0.1f, 0.37f, 37},  // odd count, odd rate, odd block
        {96000.0f, 3, 0.9f, 0.01f, -0.3f, -2.6f, 1000},
        {22050.0f, 16, 0.0001f, 333.3f, 0.5f, 0.0f, 64},    // short steps, a tiny first half
        {48000.0f, 1, 0.5f, 7.77f, 0.25f, 0.5f, 256},       // one (random) step
        {192000.0f, 5, 0.6f, 4999.9f, 1.0f, 0.1f, 512},     // the fastest rate
    };
    for (const Case& c : cases) {
        Pair p(c.rate);
        sixteenMixedSteps(p, c.count);
        if (c.count == 1) p.both([](XLFO& x) { x.step(0).random().set(true); });
        p.both([&](XLFO& x) { x.balance().set(c.balance); });
        p.set(c.frequency, c.glide, c.offset);
        p.compare(static_cast<long>(c.rate) * 20, c.block, "free running");
        // Changed inputs mid-way: the stretches start from where the loop would stand.
        p.set(c.frequency * 1.37f, -c.glide, c.offset + 0.21f);
        p.both([&](XLFO& x) { x.balance().set(1.0f - c.balance); });
        p.compare(static_cast<long>(c.rate) * 3, c.block, "after a change");
        p.set(0.0f, c.glide, c.offset);
        p.compare(3000, c.block, "stopped");
    }
}

TEST(XLFOStretches, SongPositionLockedRendersMatchTheSampleBySampleLoopBitForBit) {
    for (double bpm : {120.0, 93.7, 171.0}) {
        for (double cyclesPerBar : {1.0, 0.25, 4.0, 3.0 / 7.0}) {
            Pair p(44100.0f);
            sixteenMixedSteps(p, 11);
            p.set(1.0f, 0.05f, 0.125f);
            const double beatsPerSample = bpm / 60.0 / 44100.0;
            p.both([&](XLFO& x) {
                x.setSongPosition(13.37, 0, beatsPerSample);
                x.lockToPosition(cyclesPerBar);
            });
            p.compare(44100L * 30, 300, "locked");
        }
    }
}

TEST(XLFOStretches, AVaryingGlideOverASteadyPhaseMatchesTheSampleBySampleLoopBitForBit) {
    for (int count : {16, 5, 1}) {
        Pair p(44100.0f);
        sixteenMixedSteps(p, count);
        p.set(9.3f, 0.0f, 0.3f);
        auto sweep = [](long t) { return 0.6f * std::sin(0.0007f * static_cast<float>(t)) - 0.1f; };
        source_test::Signal ownGlide(p.environment, sweep);
        p.glide.setShape(sweep);
        p.stretches.setGlideInput(&ownGlide);
        p.compare(44100L * 10, 441, "varying glide");
    }
}
