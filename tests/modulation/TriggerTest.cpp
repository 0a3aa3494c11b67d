#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/Trigger.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;

struct Detector {
    wave::Environment environment{kBlock};
    source_test::Signal level{environment, [](long) { return 0.0f; }};
    Trigger trigger{environment};

    Detector() {
        environment.setSampleRate(kRate);
        trigger.setInput(&level);
        trigger.threshold().set(0.4f);
    }
    // Runs `total` samples in blocks of `block`; returns the events with absolute positions.
    std::vector<Trigger::Event> run(long total, int block = kBlock) {
        std::vector<Trigger::Event> all;
        for (long start = 0; start < total; start += block) {
            environment.advanceBlock();
            trigger.analyse(block);
            trigger.analyse(block);  // a second call in the same block changes nothing
            for (const Trigger::Event& e : trigger.events())
                all.push_back({e.type, static_cast<int>(start + e.position)});
        }
        return all;
    }
};

}  // namespace

TEST(Trigger, OpensAtTheFirstSampleAboveTheThresholdAndClosesAfterTheHoldBelowHalfOfIt) {
    Detector d;
    // Silence, then above the threshold, then hovering between half and the threshold, then
    // below half for good.
    d.level.setShape([](long t) { return t < 1000 ? 0.0f : t < 3000 ? 0.5f : t < 20000 ? 0.3f : 0.1f; });
    std::vector<Trigger::Event> events = d.run(30000);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, Trigger::On);
    EXPECT_EQ(events[0].position, 1000);
    EXPECT_EQ(events[1].type, Trigger::Off);
    // 15 ms at 48 kHz is 720 samples: the gate closes once more of them have passed below half.
    EXPECT_EQ(d.trigger.getHoldSamples(), 720);
    EXPECT_EQ(events[1].position, 20000 + 720);
}

TEST(Trigger, AGapShorterThanTheHoldKeepsTheGateOpen) {
    Detector d;
    d.level.setShape([](long t) { return t >= 1000 && (t < 5000 || t >= 5700) && t < 9000 ? 0.8f : 0.0f; });
    std::vector<Trigger::Event> events = d.run(12000);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].position, 1000);
    EXPECT_EQ(events[1].position, 9000 + 720);
}

TEST(Trigger, DisabledTriggerReportsNothingAndStartsClosedAgain) {
    Detector d;
    d.level.setShape([](long) { return 1.0f; });
    d.trigger.enabled().set(false);
    EXPECT_TRUE(d.run(4096).empty());
    d.trigger.enabled().set(true);
    std::vector<Trigger::Event> events = d.run(4096);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].position, 0);
}

TEST(Trigger, HoldFollowsTheSampleRateAndTheHoldTime) {
    Detector d;
    d.environment.setSampleRate(96000.0f);
    d.level.setShape([](long t) { return t < 100 ? 1.0f : 0.0f; });
    std::vector<Trigger::Event> events = d.run(4096);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].position, 100 + 1440);

    d.trigger.holdTime().set(0.0f);
    EXPECT_EQ(d.trigger.getHoldSamples(), 1);
}

// Stretches of a block where no sample can open or close the gate are taken 32 samples at a
// time. The events are those of the plain rule applied sample by sample, for levels that stay
// below the threshold, above it, below half of it for just less and just more than the hold,
// hover at both edges, or are not finite, at block sizes that cut the groups anywhere.
TEST(Trigger, GroupsOfSamplesGiveTheEventsOfTheSampleBySampleRule) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto level = [nan, inf](long t) -> float {
        const long phase = t % 9000;
        if (t % 2777 == 5) return nan;
        if (t % 4999 == 7) return inf;
        if (phase < 1500) return 0.1f + 0.1f * static_cast<float>(std::sin(0.01 * t));        // closed, quiet
        if (phase < 1510) return 0.4f + 1e-7f * static_cast<float>(phase % 3);             // at the threshold
        if (phase < 3000) return 0.2f + 0.001f * static_cast<float>(phase % 7);            // at half of it
        if (phase < 3719) return 0.05f;                                                   // below, one short of the hold
        if (phase < 3720) return 0.3f;
        if (phase == 4000 || phase == 4409 || phase == 4818) return nan;                 // each starts the hold again
        if (phase < 5000) return 0.05f;                                                   // below past the hold
        return 0.6f * static_cast<float>(std::fabs(std::sin(0.002 * t)));                   // tones
    };
    const long total = 60000;
    // The rule, sample by sample.
    std::vector<Trigger::Event> expected;
    bool gate = false;
    int count = 0;
    const float openAbove = 0.4f + 1.1920929e-7f, releaseBelow = 0.2f + 1.1920929e-7f;
    for (long t = 0; t < total; ++t) {
        const float x = level(t);
        if (!gate) {
            if (x > openAbove) {
                gate = true;
                count = 0;
                expected.push_back({Trigger::On, static_cast<int>(t)});
            }
        } else if (x < releaseBelow) {
            if (++count > 720) {
                gate = false;
                count = 0;
                expected.push_back({Trigger::Off, static_cast<int>(t)});
            }
        } else {
            count = 0;
        }
    }
    ASSERT_GT(expected.size(), 10u);
    for (int block : {512, 100, 17, 1}) {
        Detector d;
        d.level.setShape(level);
        const std::vector<Trigger::Event> events = d.run(total, block);
        ASSERT_EQ(events.size(), expected.size()) << "block " << block;
        for (size_t k = 0; k < events.size(); ++k) {
            EXPECT_EQ(events[k].type, expected[k].type) << "block " << block << " event " << k;
            EXPECT_EQ(events[k].position, expected[k].position) << "block " << block << " event " << k;
        }
    }
}
