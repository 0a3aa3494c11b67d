#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

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

namespace {
// A delay stream in ms given per sample, never constant.
class SweepingDelay : public wave::Source {
public:
    SweepingDelay(wave::Environment& env, std::function<float(long)> at) : wave::Source(env), at_(std::move(at)) {}
    float at(long n) const { return at_(n); }
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++n_) buffer[i] = at_(n_);
        setConstant(false);
    }

private:
    std::function<float(long)> at_;
    long n_ = 0;
};

// The glide written out plainly, call by call: a call that holds one target the position has
// reached within 0.001 sample is a copy; otherwise the smoother runs in groups of four from the
// group's start state (a group cut by a call carried into the next), each position a sum taken
// term by term, and each sample read from the whole input history. The line reads a sample at
// (ring size + the ring place of the call's first sample + its place in the call) - position, so
// the call size takes part in the rounding of that difference.
std::vector<float> plainGlide(const std::vector<float>& in, const SweepingDelay& sweep, int ringSize, int longest,
                              int calls) {
    const float ratio = std::exp2(std::log2(5.0f) - std::log2(48000.0f));
    const double c = std::min(2.0f * std::sin(3.14159265f * ratio), 0.95f);
    const double a[2][2] = {{1.0, c}, {-c, 1.0 - 2.0 * c - c * c}};
    double power[5][2][2] = {{{1.0, 0.0}, {0.0, 1.0}}};
    for (int k = 1; k <= 4; ++k)
        for (int r = 0; r < 2; ++r)
            for (int col = 0; col < 2; ++col)
                power[k][r][col] = a[r][0] * power[k - 1][0][col] + a[r][1] * power[k - 1][1][col];
    auto input = [&](int k, int r) { return power[k][r][1] * c; };

    const int total = static_cast<int>(in.size());
    std::vector<float> out(static_cast<size_t>(total));
    auto sample = [&](long s) { return in[static_cast<size_t>(std::max(s, 0L))]; };
    auto target = [&](long n) {
        return static_cast<double>(std::min(static_cast<int>(48000.0f * 0.001f * sweep.at(n)), longest));
    };
    double position = target(0), velocity = 0.0;  // after the last sample
    double groupPosition = 0.0, groupVelocity = 0.0, x[4] = {};
    int filled = 0;
    // The state (r = 0 position, 1 velocity) after k samples of the open group.
    auto after = [&](int k, int r) {
        double o = power[k][r][0] * groupPosition + power[k][r][1] * groupVelocity;
        for (int j = 0; j < k; ++j) o += input(k - 1 - j, r) * x[j];
        return o;
    };
    for (int start = 0; start < total; start += calls) {
        const int end = std::min(start + calls, total);
        const double t = target(start);
        bool steady = true;
        for (int n = start; n < end; ++n) steady = steady && target(n) == t;
        if (steady && std::fabs(position - t) < 0.001) {
            for (int n = start; n < end; ++n) out[static_cast<size_t>(n)] = n >= t ? sample(n - static_cast<long>(t)) : 0.0f;
            filled = 0;
            continue;
        }
        if (filled == 0) {
            groupPosition = position;
            groupVelocity = velocity;
        }
        for (int n = start; n < end; ++n) {
            x[filled++] = target(n);
            const double o = after(filled, 0);
            const double d = std::min(std::max(o, 0.0), static_cast<double>(longest));
            const long offset = ringSize + start % ringSize + (n - start);
            const double place = static_cast<double>(offset) - d;
            const long m = static_cast<long>(place);
            const float fraction = static_cast<float>(place - static_cast<double>(m));
            const long s = n - offset + m;  // the lower neighbour; a read reaching before 0 is silent
            const float lower = sample(s), upper = sample(s + 1);
            out[static_cast<size_t>(n)] = s >= 0 ? lower + (upper - lower) * fraction : 0.0f;
            if (filled == 4) {
                const double p = after(4, 0), v = after(4, 1);
                groupPosition = p;
                groupVelocity = v;
                filled = 0;
            }
        }
        position = after(filled, 0);
        velocity = after(filled, 1);
    }
    return out;
}
}  // namespace

// The packed glide gives the plain form's output bit for bit, for calls of 512, 17 and 1 sample,
// across several turns of the ring, for a wide sweep and a rise from 2 to 49 ms.
TEST(DelayLine, PackedGlideMatchesThePlainFormBitForBit) {
    const int total = 48000 * 2;
    const std::vector<float> in = noise(total, 23u);
    const std::function<float(long)> streams[] = {
        [](long n) { return 10.0f + 9.0f * std::sin(2.0f * 3.14159265f * 1.3f * n / 48000.0f); },
        [](long n) { return 2.0f + 47.0f * static_cast<float>(n) / (48000.0f * 2.0f); }};
    for (int stream = 0; stream < 2; ++stream) {
        for (int calls : {512, 17, 1}) {
            wave::Environment env(512);
            env.setSampleRate(48000.0f);
            SignalSource source(env, in);
            SweepingDelay sweep(env, streams[stream]);
            DelayLine delay(env);
            delay.setInput(&source);
            delay.setDelayProducer(&sweep);
            ASSERT_GT(total, 4 * delay.ringSize());
            const std::vector<float> out = pullBlocks(env, delay, total, calls);
            const std::vector<float> plain = plainGlide(in, sweep, delay.ringSize(), delay.maxDelaySamples(), calls);
            int differing = 0, first = -1;
            for (int i = 0; i < total; ++i) {
                if (std::memcmp(&out[i], &plain[i], sizeof(float)) != 0) {
                    if (first < 0) first = i;
                    ++differing;
                }
            }
            EXPECT_EQ(differing, 0) << "stream " << stream << ", calls of " << calls << ", first at " << first;
        }
    }
}

namespace {
// Noise from a fixed sequence, as long as wanted.
class EndlessNoise : public wave::Source {
public:
    explicit EndlessNoise(wave::Environment& env) : wave::Source(env) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i) {
            state_ = state_ * 1664525u + 1013904223u;
            buffer[i] = static_cast<float>(state_ >> 8) / 16777216.0f - 0.5f;
        }
        setConstant(false);
    }

private:
    std::uint32_t state_ = 1u;
};
}  // namespace

// Where a call runs past the ring's end, the samples after it must be read exactly as they are by
// a call that starts after the end: over hundreds of turns of the ring, a glide gives the same bits
// however the calls are cut.
TEST(DelayLine, ReadsPastTheRingsEndDoNotDependOnTheCalls) {
    // Long calls, so that many samples of each turn lie past the ring's end in one of the two cuts.
    constexpr int kLongBlock = 4096;
    auto render = [](int firstCall) {
        wave::Environment env(kLongBlock);
        env.setSampleRate(48000.0f);
        EndlessNoise source(env);
        WavingDelay waving(env);
        DelayLine delay(env);
        delay.setInput(&source);
        delay.setDelayProducer(&waving);
        const long total = 300L * delay.ringSize();
        std::vector<float> out;
        out.reserve(static_cast<size_t>(total));
        for (long done = 0; done < total;) {
            const int n = static_cast<int>(std::min<long>(done == 0 ? firstCall : kLongBlock, total - done));
            env.advanceBlock();
            const wave::Buffer* b = delay.pull(n, 0);
            out.insert(out.end(), b->data(), b->data() + n);
            env.run(n, 0);
            done += n;
        }
        return out;
    };
    const std::vector<float> whole = render(kLongBlock), shifted = render(kLongBlock / 2);
    ASSERT_EQ(whole.size(), shifted.size());
    long differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) differing += std::memcmp(&whole[i], &shifted[i], sizeof(float)) != 0;
    EXPECT_EQ(differing, 0);
}
