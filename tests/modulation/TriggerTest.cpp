#include <gtest/gtest.h>

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
    // Runs `total` samples; returns the events with absolute positions.
    std::vector<Trigger::Event> run(long total) {
        std::vector<Trigger::Event> all;
        for (long start = 0; start < total; start += kBlock) {
            environment.advanceBlock();
            trigger.analyse(kBlock);
            trigger.analyse(kBlock);  // a second call in the same block changes nothing
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
