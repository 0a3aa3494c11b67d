#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "engine/mixing/Router.h"
#include "modulation/EnvelopeFollower.h"
#include "modulation/LevelDecibels.h"

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

namespace {

// A time input that holds one value for the whole block and says so.
class HeldTime : public wave::Source {
public:
    HeldTime(wave::Environment& environment, std::function<float(long)> value)
        : Source(environment), value_(std::move(value)) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        const float v = value_(time_);
        for (int i = 0; i < frames; ++i) buffer[i] = v;
        time_ += frames;
        setConstant(true);
    }

private:
    std::function<float(long)> value_;
    long time_ = 0;
};

// A level that visits everything the follower treats differently: long silence (the state decays
// until the flush takes it to 0), levels hovering just around -58 dBFS (the height of 2 dB where the smoothing may leave out its
// flush), loud bursts, steps both ways, single infinite and NaN samples.
float testLevel(long t) {
    const long phase = t % 60000;
    if (phase < 40000) return 0.0f;
    if (phase < 46000) {
        const double db = -58.0 + 0.01 * std::sin(0.003 * static_cast<double>(t));
        return static_cast<float>(std::pow(10.0, db / 20.0));
    }
    if (t % 4001 == 0) return std::numeric_limits<float>::infinity();
    if (t % 3001 == 0) return std::numeric_limits<float>::quiet_NaN();
    return static_cast<float>(std::fabs(std::sin(0.02 * static_cast<double>(t))) * std::exp(-0.0004 * (phase - 46000)));
}

// The attack and release time in seconds during the block that starts at t: they change between
// some blocks (while only one of them is in use) and include 0, where a step completes at once.
float attackAt(long t) { return (t / 2048) % 3 == 0 ? 0.0f : 0.001f * static_cast<float>(1 + (t / 2048) % 4); }
float releaseAt(long t) { return 0.005f + 0.005f * static_cast<float>((t / 3000) % 3); }

std::vector<float> follow(bool heldTimes, long total, int block) {
    Follower f;
    f.level.setShape(testLevel);
    std::unique_ptr<wave::Producer> attack, release;
    if (heldTimes) {
        attack = std::make_unique<HeldTime>(f.environment, attackAt);
        release = std::make_unique<HeldTime>(f.environment, releaseAt);
    } else {
        attack = std::make_unique<source_test::Signal>(f.environment, [block](long t) { return attackAt(t / block * block); });
        release = std::make_unique<source_test::Signal>(f.environment, [block](long t) { return releaseAt(t / block * block); });
    }
    f.follower.setAttackInput(attack.get());
    f.follower.setReleaseInput(release.get());
    return source_test::render(f.environment, f.follower, total, block);
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b, size_t& at) {
    for (at = 0; at < a.size(); ++at) {
        if (std::memcmp(&a[at], &b[at], sizeof(float)) != 0) return false;
    }
    return a.size() == b.size();
}

}  // namespace

// Times that hold for a block take the block-wise path (the levels converted four at a time, the
// flush left out where it changes nothing, silence on a silent state filled); times that move go
// sample by sample with a check of every time used. Given the same times, both give the same bits,
// including a time that changes between blocks while only the other one is in use.
TEST(EnvelopeFollower, HeldTimesGiveTheSameBitsAsTimesCheckedPerSample) {
    const long total = 120000;
    for (int block : {512, 64, 37}) {
        const std::vector<float> held = follow(true, total, block);
        const std::vector<float> checked = follow(false, total, block);
        size_t at = 0;
        EXPECT_TRUE(sameBits(held, checked, at)) << "block " << block << ": first difference at sample " << at;
    }
}

// The output does not depend on how the host cuts its buffers, although the block-wise decisions
// (the flush, the silent fill) are taken per piece of a block.
TEST(EnvelopeFollower, OutputIsIndependentOfTheBlockSize) {
    auto run = [](int block) {
        Follower f;
        f.level.setShape(testLevel);
        HeldTime attack(f.environment, [](long) { return 0.003f; });
        HeldTime release(f.environment, [](long) { return 0.008f; });
        f.follower.setAttackInput(&attack);
        f.follower.setReleaseInput(&release);
        return source_test::render(f.environment, f.follower, 120000, block);
    };
    const std::vector<float> reference = run(kBlock);
    for (int block : {100, 7, 1}) {
        size_t at = 0;
        EXPECT_TRUE(sameBits(reference, run(block), at)) << "block " << block << ": first difference at sample " << at;
    }
}

// The smoothing leaves out its flush (adding and removing 1e-16) for values of 2 and more: there
// the flush gives back the value itself. Checked at the binade edges and across a spread of values.
TEST(EnvelopeFollower, FlushIsTheIdentityFromTwoUp) {
    std::vector<double> values;
    for (int e = 1; e <= 8; ++e) {
        const double p = std::ldexp(1.0, e);
        values.insert(values.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, 1e9), std::nextafter(std::nextafter(p, 0.0), 0.0)});
    }
    for (int k = 0; k < 200000; ++k) values.push_back(2.0 + 126.0 * std::fmod(k * 0.6180339887498949, 1.0) + k * 1e-12);
    for (double v : values) {
        if (v < 2.0) continue;
        ASSERT_EQ((v + 1e-16) - 1e-16, v) << v;
    }
    // At 1 it is not (the double below 1 is nearer to 1 - 1e-16), which is why the bound is 2.
    EXPECT_NE((1.0 + 1e-16) - 1e-16, 1.0);
}

namespace {

float otherLevel(long t) { return 0.3f * static_cast<float>(std::fabs(std::cos(0.0013 * static_cast<double>(t)))); }

// One follower in its own graph, converting its level itself: the reference for shared conversions.
std::vector<float> followAlone(const std::function<float(long)>& level, bool heldTimes, long total, int block) {
    Follower f;
    f.level.setShape(level);
    HeldTime heldAttack(f.environment, [](long) { return 0.002f; });
    source_test::Signal movingAttack(f.environment, [](long t) { return 0.001f + 0.004f * static_cast<float>(t % 997) / 997.0f; });
    HeldTime release(f.environment, [](long) { return 0.02f; });
    f.follower.setAttackInput(heldTimes ? static_cast<wave::Producer*>(&heldAttack) : &movingAttack);
    f.follower.setReleaseInput(&release);
    return source_test::render(f.environment, f.follower, total, block);
}

}  // namespace

// Followers offered one shared conversion of a level: the one reading that level directly and the
// one behind a router that hands it on take the shared result, the one whose router crossfades to
// another level only while the router hands the first one on, and the one reading another level
// never. Each gives the bits it gives alone, with held and with moving times, at several block
// sizes; the stage renders once per block at most.
TEST(EnvelopeFollower, SharedConversionGivesTheBitsOfAFollowerAlone) {
    const long total = 130000;
    for (int block : {512, 100, 1}) {
        wave::Environment environment(kBlock);
        environment.setSampleRate(kRate);
        source_test::Signal level(environment, testLevel), other(environment, otherLevel);
        LevelDecibelStage stage(environment);
        stage.setInput(&level);
        Router handOn(environment), fading(environment);
        handOn.addInput(&level);
        fading.addInput(&level);
        fading.addInput(&other);
        fading.select(0, 0.0f);
        HeldTime heldAttack(environment, [](long) { return 0.002f; });
        source_test::Signal movingAttack(environment, [](long t) { return 0.001f + 0.004f * static_cast<float>(t % 997) / 997.0f; });
        HeldTime release(environment, [](long) { return 0.02f; });

        wave::Producer* inputs[4] = {&level, &handOn, &fading, &other};
        std::vector<std::unique_ptr<EnvelopeFollower>> followers;
        for (int k = 0; k < 4; ++k) {
            followers.push_back(std::make_unique<EnvelopeFollower>(environment));
            followers[k]->setInput(inputs[k]);
            followers[k]->setAttackInput(k % 2 ? static_cast<wave::Producer*>(&movingAttack) : &heldAttack);
            followers[k]->setReleaseInput(&release);
            ASSERT_TRUE(followers[k]->shareConversion(&stage));
        }
        std::vector<float> out[4];
        long stageRenders = 0;
        for (long start = 0; start < total; start += block) {
            const int frames = static_cast<int>(std::min<long>(block, total - start));
            // The crossfading router goes to the other level and back, 20 ms each way.
            if (start / 20000 != (start + frames) / 20000) fading.select(static_cast<int>((start + frames) / 20000 % 2), 20.0f);
            environment.advanceBlock();
            for (int k = 0; k < 4; ++k) {
                const float* y = followers[k]->pull(frames, 0)->data();
                out[k].insert(out[k].end(), y, y + frames);
            }
            stageRenders += stage.getBlockStamp() == environment.getBlockCounter();
            environment.run(frames, 0);
        }
        EXPECT_GT(stageRenders, 0);
        EXPECT_LE(stageRenders, (total + block - 1) / block);

        const std::vector<float> alone[4] = {
            followAlone(testLevel, true, total, block), followAlone(testLevel, false, total, block), {}, 
            followAlone(otherLevel, false, total, block)};
        for (int k : {0, 1, 3}) {
            size_t at = 0;
            EXPECT_TRUE(sameBits(out[k], alone[k], at)) << "follower " << k << ", block " << block << ": at " << at;
        }
        // The crossfading one, against the same router in a graph of its own.
        Follower f;
        f.level.setShape(testLevel);
        source_test::Signal otherAlone(f.environment, otherLevel);
        Router fadingAlone(f.environment);
        fadingAlone.addInput(&f.level);
        fadingAlone.addInput(&otherAlone);
        fadingAlone.select(0, 0.0f);
        HeldTime attackAlone(f.environment, [](long) { return 0.002f; });
        HeldTime releaseAlone(f.environment, [](long) { return 0.02f; });
        f.follower.setInput(&fadingAlone);
        f.follower.setAttackInput(&attackAlone);
        f.follower.setReleaseInput(&releaseAlone);
        std::vector<float> fadingReference;
        for (long start = 0; start < total; start += block) {
            const int frames = static_cast<int>(std::min<long>(block, total - start));
            if (start / 20000 != (start + frames) / 20000) fadingAlone.select(static_cast<int>((start + frames) / 20000 % 2), 20.0f);
            f.environment.advanceBlock();
            f.level.pull(frames, 0);  // both levels run on, as in the shared graph
            otherAlone.pull(frames, 0);
            const float* y = f.follower.pull(frames, 0)->data();
            fadingReference.insert(fadingReference.end(), y, y + frames);
            f.environment.run(frames, 0);
        }
        size_t at = 0;
        EXPECT_TRUE(sameBits(out[2], fadingReference, at)) << "crossfading follower, block " << block << ": at " << at;
    }
}

// A stage whose input was not rendered in this block neither renders it nor converts for a level
// that is another stream; the offer of a conversion is bounded.
TEST(EnvelopeFollower, SharedConversionIsOnlyTakenForItsOwnStream) {
    wave::Environment environment(kBlock);
    environment.setSampleRate(kRate);
    source_test::Signal level(environment, [](long) { return 0.5f; }), other(environment, [](long) { return 0.25f; });
    LevelDecibelStage stage(environment), second(environment), third(environment);
    stage.setInput(&level);
    EnvelopeFollower follower(environment);
    follower.setInput(&other);
    EXPECT_FALSE(follower.shareConversion(nullptr));
    EXPECT_TRUE(follower.shareConversion(&stage));
    EXPECT_TRUE(follower.shareConversion(&stage));  // offered again: still one place
    EXPECT_TRUE(follower.shareConversion(&second));
    EXPECT_FALSE(follower.shareConversion(&third));
    environment.advanceBlock();
    const float y = follower.pull(64, 0)->data()[63];
    EXPECT_NE(level.getBlockStamp(), environment.getBlockCounter());
    EXPECT_NE(stage.getBlockStamp(), environment.getBlockCounter());
    EXPECT_EQ(stage.decibelsOf(*other.getOutput(), 64), nullptr);
    EXPECT_GT(y, 0.0f);
    // Once its input is rendered, the stage converts that stream and only that one.
    const wave::Buffer* levelBlock = level.pull(64, 0);
    const float* converted = stage.decibelsOf(*levelBlock, 64);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(converted[10], level_decibels::aboveFloor(0.5f));
    EXPECT_EQ(stage.decibelsOf(*other.getOutput(), 64), nullptr);
}
