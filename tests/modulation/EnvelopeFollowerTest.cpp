#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "modulation/EnvelopeFollower.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 512;

struct Follower {
    wave::Environment environment{kBlock};
    source_test::Signal level{environment, [](long) { return 0.0f; }};
    EnvelopeFollower follower{environment};

    Follower() {
        environment.setSampleRate(kRate);
        follower.setInput(&level);
    }
    std::vector<float> run(long samples) { return source_test::render(environment, follower, samples, kBlock); }
};

}  // namespace

TEST(EnvelopeFollower, SilenceGivesZeroFullScaleGivesOne) {
    Follower f;
    for (float v : f.run(4800)) ASSERT_EQ(v, 0.0f);
    f.level.setShape([](long) { return 1.0f; });
    EXPECT_NEAR(f.run(48000).back(), 1.0f, 1e-5f);
    f.level.setShape([](long) { return 0.001f; });  // -60 dBFS
    EXPECT_NEAR(f.run(96000).back(), 0.0f, 1e-5f);
    f.level.setShape([](long) { return 0.1f; });    // -20 dBFS
    EXPECT_NEAR(f.run(96000).back(), 40.0f / 60.0f, 1e-4f);
}

TEST(EnvelopeFollower, StepCovers90PercentWithinTheAttackAndReleaseTimes) {
    Follower f;
    f.follower.attackParameter().setTarget(0.01f, 0.0f);
    f.follower.releaseParameter().setTarget(0.1f, 0.0f);
    f.level.setShape([](long t) { return t < 48000 ? 1.0f : 0.0f; });
    std::vector<float> y = f.run(96000);
    EXPECT_NEAR(y[479], 0.9f, 1e-3f);  // 480 samples = 10 ms
    EXPECT_LT(y[400], 0.9f);
    EXPECT_NEAR(y[48000 + 4799], 0.1f, 1e-3f);  // 4800 samples = 100 ms
    EXPECT_GT(y[48000 + 4000], 0.1f);
}

// Constant times are checked once per block: a new time set between blocks still takes effect at
// once, for a time used in the previous block as well as for one that was not.
TEST(EnvelopeFollower, TimeChangedBetweenBlocksTakesEffectAtOnce) {
    Follower f;
    f.follower.attackParameter().setTarget(1.0f, 0.0f);
    f.follower.releaseParameter().setTarget(0.001f, 0.0f);
    f.level.setShape([](long t) { return t < 2 * kBlock ? 1.0f : 0.0f; });
    f.run(2 * kBlock);  // a slow attack in use
    f.follower.releaseParameter().setTarget(0.1f, 0.0f);
    const float start = f.run(1).back();
    std::vector<float> y = f.run(4800);  // 100 ms of release from where the attack left it
    EXPECT_NEAR(y[4798], 0.1f * start, 2e-3f);
    f.follower.attackParameter().setTarget(0.01f, 0.0f);
    f.level.setShape([](long) { return 1.0f; });
    f.run(96000 - 4800);
    f.level.setShape([](long) { return 0.0f; });
    f.run(48000);
    f.level.setShape([](long) { return 1.0f; });
    y = f.run(480);  // 10 ms with the new attack
    EXPECT_NEAR(y[479], 0.9f, 1e-3f);
}

// The state starts at silence: even the first samples of a loud input never go below 0.
TEST(EnvelopeFollower, NeverOutputsNegativeValues) {
    Follower f;
    f.follower.attackParameter().setTarget(1.0f, 0.0f);
    f.level.setShape([](long t) { return 0.5f * static_cast<float>(std::fabs(std::sin(0.01 * t))); });
    for (float v : f.run(4800)) ASSERT_GE(v, 0.0f);
}

TEST(EnvelopeFollower, NonFiniteLevelsAndTimesStayBounded) {
    Follower f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    source_test::Signal times(f.environment, [&](long t) { return t % 3 == 0 ? nan : t % 3 == 1 ? 0.0f : -inf; });
    f.follower.setAttackInput(&times);
    f.follower.setReleaseInput(&times);
    f.level.setShape([&](long t) { return t % 4 == 0 ? nan : t % 4 == 1 ? inf : t % 4 == 2 ? 1e30f : -1.0f; });
    for (float v : f.run(4800)) {
        ASSERT_TRUE(std::isfinite(v));
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 2.0f);
    }
    // Back to ordinary settings, it follows again.
    f.follower.setAttackInput(nullptr);
    f.follower.setReleaseInput(nullptr);
    f.level.setShape([](long) { return 0.0f; });
    EXPECT_NEAR(f.run(96000).back(), 0.0f, 1e-5f);
}

// The level is converted to dB without the library's log10. Against the same smoothing fed with
// the library's float log10, the output stays within 1e-6 (-120 dB) over levels from far below the floor
// to far above full scale, with steps in both directions so both time constants are exercised.
TEST(EnvelopeFollower, LevelConversionStaysWithin120dBOfTheLibraryLog) {
    Follower f;
    f.follower.attackParameter().setTarget(0.002f, 0.0f);
    f.follower.releaseParameter().setTarget(0.05f, 0.0f);
    // A level sweeping -200 dB .. +80 dB and back, with a jump every 997 samples.
    auto level = [](long t) {
        const double sweep = -200.0 + 280.0 * std::fabs(std::fmod(t / 24000.0, 2.0) - 1.0);
        const double jump = (t / 997) % 3 == 0 ? -40.0 : 0.0;
        return static_cast<float>(std::pow(10.0, (sweep + jump) / 20.0));
    };
    f.level.setShape(level);
    const long total = 96000;
    const std::vector<float> y = f.run(total);

    const float attack = static_cast<float>(1.0 - std::pow(10.0, -1.0 / (0.002 * kRate)));
    const float release = static_cast<float>(1.0 - std::pow(10.0, -1.0 / (0.05 * kRate)));
    float state = 0.0f;
    float worst = 0.0f;
    for (long t = 0; t < total; ++t) {
        const float x = level(t);
        const float db = x > 1e-10f ? std::min(20.0f * std::log10(x), 60.0f) : -180.0f;
        const float d = std::max(db + 60.0f, 0.0f);
        const float c = d > state ? attack : release;
        state = static_cast<float>((static_cast<double>(state) + static_cast<double>(d - state) * c + 1e-16) - 1e-16);
        worst = std::max(worst, std::fabs(y[static_cast<size_t>(t)] - state / 60.0f));
    }
    EXPECT_LT(worst, 1e-6f);
}
