#include <gtest/gtest.h>

#include <cmath>

#include "FilterTestSupport.h"
#include "filters/DelayLine.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 256;

// A delay stream that can be made to output anything, NaN included.
class ValueSource : public wave::Source {
public:
    ValueSource(wave::Environment& env, float value) : wave::Source(env), value_(value) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i) buffer[i] = value_;
        setConstant(true);
    }

private:
    float value_;
};

}  // namespace

TEST(DelayLine, ZeroDelayIsTheInputBitForBit) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::vector<float> in = noise(10000, 11u);
    SignalSource source(env, in);
    DelayLine delay(env);
    delay.setInput(&source);
    std::vector<float> out = pullBlocks(env, delay, 10000, kBlock);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i]) << i;
}

TEST(DelayLine, GlidesFromZeroToTenMillisecondsAndSettlesExactly) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    const int total = 48000 * 2;
    std::vector<float> in = noise(total, 12u);
    SignalSource source(env, in);
    DelayLine delay(env);
    delay.setInput(&source);
    std::vector<float> out;
    for (int done = 0; done < total; done += kBlock) {
        if (done == 20 * kBlock) delay.delaySource().setTarget(10.0f);
        env.advanceBlock();
        const wave::Buffer* b = delay.pull(kBlock, 0);
        out.insert(out.end(), b->data(), b->data() + kBlock);
        env.run(kBlock, 0);
        // The read position glides there without overshooting.
        EXPECT_LT(delay.glidePosition(), 480.5);
        if (done == 30 * kBlock) {
            EXPECT_TRUE(delay.isGliding());
            EXPECT_GT(delay.glidePosition(), 0.0);
        }
    }
    EXPECT_FALSE(delay.isGliding());
    // The last half second is the input 480 samples earlier, bit for bit.
    for (int i = total - 24000; i < total; ++i) ASSERT_EQ(out[i], in[i - 480]) << i;
}

TEST(DelayLine, UnwrittenPositionsReadAsSilenceAfterReset) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    SignalSource source(env, std::vector<float>(48000, 1.0f));
    DelayLine delay(env);
    delay.setInput(&source);
    delay.delaySource().setTarget(10.0f, 0.0f);
    std::vector<float> out = pullBlocks(env, delay, 1024, kBlock);
    for (int i = 0; i < 480; ++i) ASSERT_EQ(out[i], 0.0f) << i;
    for (int i = 480; i < 1024; ++i) ASSERT_EQ(out[i], 1.0f) << i;
    // After a reset the old signal is not replayed.
    env.reset();
    source.signal().assign(48000, 0.5f);
    out = pullBlocks(env, delay, 1024, kBlock);
    for (int i = 0; i < 480; ++i) ASSERT_EQ(out[i], 0.0f) << i;
    EXPECT_EQ(out[600], 0.5f);
}

// 50 ms at 384 kHz still fits; beyond the ring's rate the delay is limited to what the ring holds
// instead of reading samples that were already overwritten.
TEST(DelayLine, LongestDelayFitsTheRingAtHighRates) {
    for (float rate : {192000.0f, 384000.0f, 768000.0f}) {
        wave::Environment env(kBlock);
        env.setSampleRate(rate);
        const int total = static_cast<int>(rate * 0.2f);
        std::vector<float> in(static_cast<size_t>(total));
        for (int i = 0; i < total; ++i) in[i] = static_cast<float>(i);
        SignalSource source(env, in);
        DelayLine delay(env);
        delay.setInput(&source);
        delay.delaySource().setTarget(50.0f, 0.0f);
        std::vector<float> out = pullBlocks(env, delay, total, kBlock);
        int expected = std::min(static_cast<int>(rate * 0.05f), delay.maxDelaySamples());
        if (rate <= DelayLine::kMaxSampleRate) {
            EXPECT_EQ(expected, static_cast<int>(rate * 0.05f));
        }
        for (int i = total - 1000; i < total; ++i) ASSERT_EQ(out[i], static_cast<float>(i - expected)) << rate;
    }
}

TEST(DelayLine, NonFiniteDelayValuesCountAsZero) {
    wave::Environment env(kBlock);
    std::vector<float> in = noise(4096, 13u);
    SignalSource source(env, in);
    ValueSource nan(env, NAN);
    DelayLine delay(env);
    delay.setInput(&source);
    delay.setDelayProducer(&nan);
    std::vector<float> out = pullBlocks(env, delay, 4096, kBlock);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i]);
}

TEST(DelayLine, WithoutGlideAChangeJumps) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::vector<float> in(8192);
    for (int i = 0; i < 8192; ++i) in[i] = static_cast<float>(i);
    SignalSource source(env, in);
    ValueSource tenMs(env, 10.0f);
    DelayLine delay(env);
    delay.setGlide(false);
    delay.setInput(&source);
    pullBlocks(env, delay, 1024, kBlock);
    delay.setDelayProducer(&tenMs);
    std::vector<float> out = pullBlocks(env, delay, 1024, kBlock);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(out[i], static_cast<float>(1024 + i - 480));
}

namespace {
// A delay stream in milliseconds that never holds still: 10 ± 9 ms at 1.3 Hz.
class WavingDelay : public wave::Source {
public:
    explicit WavingDelay(wave::Environment& env) : wave::Source(env) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++n_) buffer[i] = 10.0f + 9.0f * std::sin(2.0f * 3.14159265f * 1.3f * n_ / 48000.0f);
        setConstant(false);
    }

private:
    long n_ = 0;
    int spikeAt_ = -1;
    float spike_ = 0.0f;
};
}  // namespace

// A ramp read through a modulated delay comes out as the ramp at the smoothed position, across many
// turns of the ring and at block sizes that do not divide it.
TEST(DelayLine, ModulatedDelayReadsTheRampAtTheSmoothedPositionAcrossRingWraps) {
    for (int block : {256, 100}) {
        wave::Environment env(block);
        env.setSampleRate(48000.0f);
        const int total = 48000 * 3;
        std::vector<float> in(static_cast<size_t>(total));
        for (int i = 0; i < total; ++i) in[i] = static_cast<float>(i) * 0.01f;
        SignalSource source(env, in);
        WavingDelay waving(env);
        DelayLine delay(env);
        delay.setInput(&source);
        delay.setDelayProducer(&waving);
        std::vector<float> out = pullBlocks(env, delay, total, block);
        ASSERT_GT(total, 5 * delay.ringSize());

        // The same 5 Hz smoother, computed here on its own from the whole-sample targets.
        const double c = 2.0 * std::sin(3.14159265358979 * 5.0 / 48000.0);
        double position = 480.0 + 432.0, velocity = 0.0;  // the first target, 19 ms
        for (int n = 0; n < total; ++n) {
            const float ms = 10.0f + 9.0f * std::sin(2.0f * 3.14159265f * 1.3f * n / 48000.0f);
            const double x = static_cast<int>(48.0f * ms);
            if (n == 0) position = x;
            position += c * velocity;
            velocity += c * (x - 2.0 * velocity - position);
            if (n - position < 1.0) continue;  // not written yet
            ASSERT_NEAR(out[n], 0.01 * (n - position), 2e-3) << "block " << block << " sample " << n;
        }
    }
}

// The smoother advances in groups of four samples; a group cut by the end of a call is carried into
// the next. However the calls are split, the output is the same bit for bit, and the position stays
// within 1e-9 sample of the sample-by-sample smoother (the rounding of the group form).
TEST(DelayLine, GlideIsTheSameForEverySplitOfTheCalls) {
    const int total = 48000;
    std::vector<float> in = noise(total, 21u);
    std::vector<float> reference;
    for (int variant = 0; variant < 3; ++variant) {
        wave::Environment env(kBlock);
        env.setSampleRate(48000.0f);
        SignalSource source(env, in);
        WavingDelay waving(env);
        DelayLine delay(env);
        delay.setInput(&source);
        delay.setDelayProducer(&waving);
        // The delay line's own single-precision coefficient.
        const float ratio = std::exp2(std::log2(5.0f) - std::log2(48000.0f));
        const double c = 2.0f * std::sin(3.14159265f * ratio);
        double position = 0.0, velocity = 0.0, worst = 0.0;
        std::vector<float> out;
        for (int done = 0, call = 0; done < total; ++call) {
            const int n = std::min(variant == 0 ? kBlock : variant == 1 ? 1 + call % 7 : 61, total - done);
            env.advanceBlock();
            const wave::Buffer* b = delay.pull(n, 0);
            out.insert(out.end(), b->data(), b->data() + n);
            env.run(n, 0);
            for (int i = done; i < done + n; ++i) {
                const float ms = 10.0f + 9.0f * std::sin(2.0f * 3.14159265f * 1.3f * i / 48000.0f);
                const double x = static_cast<int>(48000.0f * 0.001f * ms);
                if (i == 0) position = x;
                position += c * velocity;
                velocity += c * (x - 2.0 * velocity - position);
            }
            done += n;
            worst = std::max(worst, std::fabs(delay.glidePosition() - position));
        }
        EXPECT_LT(worst, 1e-9) << "variant " << variant;
        if (variant == 0) {
            reference = out;
        } else {
            int differing = 0;
            for (int i = 0; i < total; ++i) differing += out[i] != reference[i];
            EXPECT_EQ(differing, 0) << "variant " << variant;
        }
    }
}

namespace {
// 10 ms with a wobble far smaller than one sample: never constant, always 480 whole samples.
class WobblingDelay : public wave::Source {
public:
    explicit WobblingDelay(wave::Environment& env) : wave::Source(env) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++n_) buffer[i] = 10.005f + 0.003f * std::sin(0.01f * n_);
        if (spikeAt_ >= 0 && spikeAt_ < frames) buffer[spikeAt_] = spike_;
        spikeAt_ = -1;
        setConstant(false);
    }
    // The next block has `value` at sample `at`.
    void spike(int at, float value) {
        spikeAt_ = at;
        spike_ = value;
    }

private:
    long n_ = 0;
    int spikeAt_ = -1;
    float spike_ = 0.0f;
};
}  // namespace

TEST(DelayLine, AStreamMovingWithinOneSampleIsCopiedOnceSettled) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    const int total = 48000 * 2;
    std::vector<float> in = noise(total, 22u);
    SignalSource source(env, in);
    WobblingDelay wobbling(env);
    DelayLine delay(env);
    delay.setInput(&source);
    delay.setDelayProducer(&wobbling);
    std::vector<float> out = pullBlocks(env, delay, total, kBlock);
    EXPECT_FALSE(delay.isGliding());
    for (int i = 480; i < total; ++i) ASSERT_EQ(out[i], in[i - 480]) << i;
}

// One sample of the stream outside the held whole sample (the next sample up, or NaN, which counts
// as 0) makes its block glide, wherever it falls: inside a group of four or in a block's tail.
TEST(DelayLine, OneSampleOutsideTheHeldSampleMakesTheBlockGlide) {
    constexpr int kOdd = 255;  // 63 groups of four and a tail of three
    for (int spikeAt : {9, 254}) {
        for (float spike : {10.03f, std::nanf("")}) {
            wave::Environment env(kBlock);
            env.setSampleRate(48000.0f);
            std::vector<float> in = noise(kOdd * 40, 23u);
            SignalSource source(env, in);
            WobblingDelay wobbling(env);
            DelayLine delay(env);
            delay.setInput(&source);
            delay.setDelayProducer(&wobbling);
            pullBlocks(env, delay, kOdd * 30, kOdd);
            ASSERT_FALSE(delay.isGliding());
            wobbling.spike(spikeAt, spike);
            pullBlocks(env, delay, kOdd, kOdd);
            EXPECT_TRUE(delay.isGliding()) << "spike " << spike << " at " << spikeAt;
        }
    }
}

// Right after a reset a glide can reach behind the first written sample: those reads are 0, not
// what the ring held before the reset, and the reads that are written follow the smoothed position.
TEST(DelayLine, AGlideBehindTheFirstWrittenSampleReadsSilence) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::vector<float> ramp(20000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = 1.0f + 0.01f * static_cast<float>(i);
    SignalSource source(env, std::vector<float>(30000, -5.0f));
    DelayLine delay(env);
    delay.setInput(&source);
    pullBlocks(env, delay, 30000, kBlock);  // the whole ring holds -5
    env.reset();
    source.signal() = ramp;
    source.rewind();
    // 10 ms held in the first block, then 20 ms: the position glides from 480 towards 960.
    delay.delaySource().setTarget(10.0f, 0.0f);
    std::vector<float> out = pullBlocks(env, delay, kBlock, kBlock);
    delay.delaySource().setTarget(20.0f, 0.0f);
    int silent = 0, read = 0;
    for (int n = kBlock; n < 4 * kBlock; ++n) {
        env.advanceBlock();
        const float y = delay.pull(1, 0)->data()[0];
        env.run(1, 0);
        const double position = delay.glidePosition();
        ASSERT_TRUE(delay.isGliding()) << n;
        if (n - position < 0.0) {
            ASSERT_EQ(y, 0.0f) << n;
            ++silent;
        } else if (n - position >= 1.0) {
            ASSERT_NEAR(y, 1.0 + 0.01 * (n - position), 1e-3) << n;
            ++read;
        }
    }
    EXPECT_GT(silent, 100);
    EXPECT_GT(read, 100);
}
