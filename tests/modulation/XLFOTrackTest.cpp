#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "EnvelopeTestSupport.h"
#include "engine/wave/Float4.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOGlide.h"
#include "modulation/XLFOPhaseTrack.h"

// A step LFO whose frequency or phase offset input varies takes its phases from a track worked out
// four samples at a time. These tests hold it to a plain sample-by-sample step LFO kept here as the
// reference, over inputs with every kind of trouble in them.

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

double plainFraction(double x) {
    const double f = x - std::floor(x);
    return f < 1.0 ? f : 0.0;
}

// The step LFO one sample at a time: phase, pass, glide and random steps in their plain form. It
// takes the step layout from the XLFO it shadows (the layout is not what is under test).
class PlainStepLfo {
public:
    PlainStepLfo(const XLFO& layout, float rate, uint32_t seed)
        : layout_(layout), invRate_(1.0 / rate), random_(seed % 0xFFFFFF + 1) {}

    void lock(double position, long time, double beatsPerSample, double cyclesPerBar) {
        locked_ = true;
        position_ = position;
        lockTime_ = time;
        beatsPerSample_ = beatsPerSample;
        cyclesPerBar_ = cyclesPerBar;
    }

    void render(float* out, long time, int frames, const float* frequency, const float* glide, const float* offset) {
        if (locked_) {
            sync_ = lockedPhase(time);
            phase_ = plainFraction(sync_ + previousOffset_);
        }
        int i = 0;
        while (i < frames) i = pass(layout_.findStep(phase_), out, time, i, frames, frequency, glide, offset);
    }

    double phase() const { return phase_; }
    double sync() const { return sync_; }

private:
    struct Held {
        float current = 0.0f;
        bool valid = false;
        float stored = 0.0f;
    };

    double lockedPhase(long time) const {
        const double position = position_ + static_cast<double>(time - lockTime_) * beatsPerSample_;
        return plainFraction((position - 0.0) * 0.25 * cyclesPerBar_);
    }

    float nextRandom(float v) {
        random_ <<= 1;
        if (random_ & 0x1000000) random_ ^= 0x11D872B;
        random_ &= 0xFFFFFF;
        const float u = static_cast<float>(static_cast<int32_t>(random_) - 0x800000) * 5.9604645e-8f + 0.5f;
        if (std::fabs(u - v) < 0.2f) return v >= 0.5f ? v - 0.2f : v + 0.2f;
        return u;
    }

    float value(int index, int count) {
        Held& h = held_[index];
        if (!h.valid) {
            const XLFO::Step& s = layout_.step(index);
            if (const_cast<XLFO::Step&>(s).random().get()) {
                if (count == 1) {
                    h.current = h.stored;
                    h.stored = nextRandom(h.current);
                } else {
                    h.current = nextRandom(held_[(index - 1 + count) % count].current);
                }
            } else {
                h.current = const_cast<XLFO::Step&>(s).value().get();
            }
            h.valid = true;
        }
        return h.current;
    }

    static float shape(int curve, float t) {
        switch (curve) {
            case XLFO::Sqr:
                return t * t;
            case XLFO::Sqrt:
                return std::sqrt(t);
            case XLFO::Sine:
                return xlfo_glide::sine(t);
            default:
                return t;
        }
    }

    int pass(int index, float* out, long time, int i, int frames, const float* frequency, const float* glideInput,
             const float* offsetInput) {
        XLFO::Step& s = const_cast<XLFO::Step&>(layout_.step(index));
        const int count = const_cast<XLFO&>(layout_).stepCount().get();
        const double b = const_cast<XLFO&>(layout_).balance().get();
        const float v = value(index, count);
        const float w = count >= 2 ? value((index + 1) % count, count) : s.random().get() ? held_[0].stored : v;
        double spanStart = s.getStart(), spanEnd = s.getEnd(), xBase = 0.0, xScale = 1.0 / (spanEnd - spanStart);
        if (s.isMiddle()) {
            if (phase_ < b) {
                spanEnd = b;
                xScale = 0.5 / (b - spanStart);
            } else {
                spanStart = b;
                xBase = 0.5;
                xScale = 0.5 / (s.getEnd() - b);
            }
        }
        double reached = phase_;
        do {
            const float x = static_cast<float>(xBase + (phase_ - spanStart) * xScale);
            const float f = XLFOPhaseTrack::clampedFrequency(frequency[i], XLFO::kMaxFrequency);
            const float g = XLFOPhaseTrack::effectiveGlide(s.glide().get(), glideInput[i], f);
            const bool gliding = g > 0.0f && x > 1.0f - g;
            out[i] = gliding ? v + shape(s.glideFunction().get(), std::min((x - (1.0f - g)) / g, 1.0f)) * (w - v) : v;
            if (std::isfinite(offsetInput[i])) previousOffset_ = offsetInput[i];
            if (locked_) {
                sync_ = lockedPhase(time + i + 1);
            } else {
                sync_ += f * invRate_;
                if (sync_ >= 1.0) sync_ = plainFraction(sync_);
            }
            const double previous = phase_;
            phase_ = plainFraction(sync_ + static_cast<double>(previousOffset_));
            reached = phase_ - previous < -0.5 ? phase_ + 1.0 : phase_ - previous > 0.5 ? phase_ - 1.0 : phase_;
            ++i;
        } while (i < frames && reached >= spanStart && reached < spanEnd);
        if (s.random().get() && !(reached >= s.getStart() && reached < s.getEnd())) held_[index].valid = false;
        return i;
    }

    const XLFO& layout_;
    double invRate_;
    uint32_t random_;
    Held held_[XLFO::kMaxSteps];
    double phase_ = 0.0;
    double sync_ = 0.0;
    float previousOffset_ = 0.0f;
    bool locked_ = false;
    double position_ = 0.0, beatsPerSample_ = 0.0, cyclesPerBar_ = 0.0;
    long lockTime_ = 0;
};

using Shape = std::function<float(long)>;

// Renders an XLFO fed by the shapes (null: its embedded constant input) and the plain form over
// the same values; every sample and the phases at the end must agree.
struct Setting {
    float rate = 48000.0f;
    int count = 16;
    float balance = 0.5f;
    Shape frequency, glide, offset;
    float constantFrequency = 5.0f;
};

void configureSteps(XLFO& x, int count, float balance) {
    x.stepCount().set(count);
    x.balance().set(balance);
    for (int a = 0; a < XLFO::kMaxSteps; ++a) {
        XLFO::Step& s = x.step(a);
        s.value().set(std::cos(2.3f * static_cast<float>(a)));
        s.glide().set(0.15f * static_cast<float>(a % 7));
        s.glideFunction().set(static_cast<XLFO::GlideCurve>((a + 1) % 4));
        s.random().set(a % 4 == 2 || count == 1);
    }
}

void compareWithPlain(const Setting& c, int block, long total, const char* what, bool lock = false) {
    wave::Environment environment(512);
    environment.setSampleRate(c.rate);
    XLFO lfo(environment);
    lfo.setRandomSeed(4242);
    configureSteps(lfo, c.count, c.balance);
    source_test::Signal frequency(environment, c.frequency ? c.frequency : Shape([](long) { return 0.0f; }));
    source_test::Signal glide(environment, c.glide ? c.glide : Shape([](long) { return 0.0f; }));
    source_test::Signal offset(environment, c.offset ? c.offset : Shape([](long) { return 0.0f; }));
    if (c.frequency) lfo.setFrequencyInput(&frequency);
    if (c.glide) lfo.setGlideInput(&glide);
    if (c.offset) lfo.setPhaseOffsetInput(&offset);
    lfo.frequencyParameter().setTarget(c.constantFrequency, 0.0f);
    PlainStepLfo plain(lfo, c.rate, 4242);
    const double beatsPerSample = 133.0 / 60.0 / c.rate;
    if (lock) {
        lfo.setSongPosition(5.25, environment.getCurrentTime(), beatsPerSample);
        lfo.lockToPosition(3.0);
        plain.lock(5.25, environment.getCurrentTime(), beatsPerSample, 3.0);
    }

    std::vector<float> in[3], expected(static_cast<size_t>(block));
    long mismatches = 0, first = -1;
    for (long start = 0; start < total; start += block) {
        const int frames = static_cast<int>(std::min<long>(block, total - start));
        const long time = environment.getCurrentTime();
        const Shape* shapes[3] = {&c.frequency, &c.glide, &c.offset};
        const float constants[3] = {c.constantFrequency, 0.0f, 0.0f};
        for (int s = 0; s < 3; ++s) {
            in[s].resize(static_cast<size_t>(frames));
            for (int k = 0; k < frames; ++k) in[s][k] = *shapes[s] ? (*shapes[s])(start + k) : constants[s];
        }
        plain.render(expected.data(), time, frames, in[0].data(), in[1].data(), in[2].data());
        const float* got = source_test::runBlock(environment, lfo, frames);
        for (int k = 0; k < frames; ++k) {
            const bool same = got[k] == expected[static_cast<size_t>(k)] ||
                              (std::isnan(got[k]) && std::isnan(expected[static_cast<size_t>(k)]));
            if (!same && mismatches++ == 0) first = start + k;
        }
    }
    EXPECT_EQ(mismatches, 0) << what << ", block " << block << ": first at sample " << first;
    EXPECT_EQ(lfo.getPhase(), plain.phase()) << what << ", block " << block;
    EXPECT_EQ(lfo.getSyncPhase(), plain.sync()) << what << ", block " << block;
}

// A rate sweep with stops, rates beyond the maximum, negative and non-finite values in it.
float troubledFrequency(long n) {
    switch (n % 997) {
        case 13: return kNaN;
        case 14: return kInf;
        case 15: return -kInf;
        case 200: return -3.0f;
        default: break;
    }
    if ((n / 1500) % 5 == 3) return 0.0f;
    if ((n / 2100) % 7 == 5) return 7000.0f + static_cast<float>(n % 13);
    return 30.0f + 29.0f * std::sin(static_cast<float>(n) * 0.0007f) + static_cast<float>(n % 5) * 0.37f;
}

// A drifting offset that jumps by whole and half cycles, with non-finite values held over.
float jumpingOffset(long n) {
    if (n % 611 == 7) return kNaN;
    if (n % 887 == 3) return n % 2 ? kInf : -kInf;
    float o = 0.2f * std::sin(static_cast<float>(n) * 0.0011f);
    o += static_cast<float>((n / 701) % 4);         // whole cycles up
    o -= 0.5f * static_cast<float>((n / 433) % 3);  // half cycles down
    if ((n / 5000) % 2 == 1) o = -o - 3.0f;
    return o;
}

float wanderingGlide(long n) {
    if (n % 503 == 11) return kNaN;
    return 0.9f * std::sin(static_cast<float>(n) * 0.0031f);
}

}  // namespace

TEST(XLFOTrack, VaryingRateAndOffsetRenderLikeThePlainLoopInEveryBlockSize) {
    std::vector<Setting> settings;
    Setting both;
    both.frequency = troubledFrequency;
    both.offset = jumpingOffset;
    both.glide = wanderingGlide;
    settings.push_back(both);
    Setting oddCount = both;  // the middle step runs at both halves' speeds
    oddCount.count = 7;
    oddCount.balance = 0.21f;
    oddCount.rate = 44100.0f;
    settings.push_back(oddCount);
    Setting single = both;  // one random step
    single.count = 1;
    single.glide = nullptr;
    settings.push_back(single);
    Setting rateOnly;  // the offset stays at its embedded constant
    rateOnly.frequency = troubledFrequency;
    rateOnly.count = 5;
    rateOnly.rate = 22050.0f;
    settings.push_back(rateOnly);
    Setting offsetOnly;  // a steady rate under a jumping offset
    offsetOnly.offset = jumpingOffset;
    offsetOnly.glide = wanderingGlide;
    offsetOnly.constantFrequency = 11.0f;
    offsetOnly.count = 12;
    settings.push_back(offsetOnly);
    Setting fast = both;  // steps a few samples long
    fast.frequency = [](long n) { return n % 300 == 1 ? kNaN : 4000.0f + static_cast<float>(n % 2000); };
    fast.rate = 11025.0f;
    settings.push_back(fast);
    for (const Setting& c : settings)
        for (int block : {1, 17, 512}) compareWithPlain(c, block, 30000, "free running");
}

TEST(XLFOTrack, LockedToTheSongPositionWithAJumpingOffsetRendersLikeThePlainLoop) {
    Setting c;
    c.offset = jumpingOffset;
    c.glide = wanderingGlide;
    c.count = 9;
    for (int block : {1, 17, 512}) compareWithPlain(c, block, 20000, "locked", true);
}

TEST(XLFOTrack, ASteadyRateTheStretchesCannotCutFallsBackToTheTrack) {
    // A varying glide over a constant rate: at rate 0 the phase stands, far above a quarter cycle
    // per sample the stretches give up; both go sample by sample from there on.
    for (float f : {0.0f, 4999.0f}) {
        Setting c;
        c.glide = wanderingGlide;
        c.constantFrequency = f;
        c.rate = 8000.0f;
        c.count = 3;
        for (int block : {1, 17, 512}) compareWithPlain(c, block, 6000, f > 0.0f ? "fast steady" : "stopped");
    }
}

TEST(XLFOTrack, TheTrackTakesEachSampleAsTheScalarFormsDo) {
    // Lengths around the four-lane groups, from odd starts, with non-finite inputs in the mix.
    const float frequencies[] = {0.0f, -1.0f, kNaN, 12.0f, 5000.0f, 9000.0f, kInf, -0.0f, 3.3f, 1e-30f, 250.0f};
    const float offsets[] = {-1e-30f, kNaN, 0.25f, 0.5f, -kInf, 2.75f, 1e-8f, -0.5f, 1e9f, -3e12f, -1.0f};
    const float glideInputs[] = {0.3f, -2.0f, kNaN, 0.9f, -kInf, 0.0f, 1.5f, -0.2f, 0.05f, kInf, -1.0f};
    for (int first : {0, 1, 3}) {
      for (double start : {0.75, 0.0}) {  // from 0 at rate 0, a tiny negative offset rounds up to 1
        for (int frames = first; frames <= first + 23; ++frames) {
            std::vector<float> f(static_cast<size_t>(frames)), o(f.size()), gi(f.size());
            for (int k = 0; k < frames; ++k) {
                f[k] = frequencies[(k * 7 + frames) % 11];
                o[k] = offsets[(k * 5 + first) % 11];
                gi[k] = glideInputs[(k * 3 + frames) % 11];
            }
            XLFOPhaseTrack track(32);
            track.prepare(f.data(), o.data(), -0.125f, XLFO::kMaxFrequency, first, frames);
            track.runFree(start, 1.0 / 1000.0, first, frames);
            track.computePhases(0.875, first, frames);
            double sync = start, phase = 0.875;
            float offset = -0.125f;
            std::vector<float> x(f.size()), g(f.size());
            track.positions(first, frames, 0.5, 0.125, 3.0, x.data());
            track.glides(first, frames, 0.125f, gi.data(), g.data());
            for (int k = first; k < frames; ++k) {
                const float fk = XLFOPhaseTrack::clampedFrequency(f[k], XLFO::kMaxFrequency);
                EXPECT_EQ(track.frequency(k), fk);
                EXPECT_EQ(x[k], static_cast<float>(0.5 + (phase - 0.125) * 3.0)) << k;
                EXPECT_EQ(g[k], XLFOPhaseTrack::effectiveGlide(0.125f, gi[k], fk)) << k;
                sync += fk * (1.0 / 1000.0);
                if (sync >= 1.0) sync = plainFraction(sync);
                if (std::isfinite(o[k])) offset = o[k];
                EXPECT_EQ(track.offset(k), offset) << k;
                const double previous = phase;
                phase = plainFraction(sync + static_cast<double>(offset));
                const double d = phase - previous;
                const double ranOn = d < -0.5 ? phase + 1.0 : d > 0.5 ? phase - 1.0 : phase;
                ASSERT_EQ(track.sync(k + 1), sync) << first << " " << frames << " " << k;
                ASSERT_EQ(track.phase(k + 1), phase) << first << " " << frames << " " << k;
                ASSERT_EQ(track.reached(k + 1), ranOn) << first << " " << frames << " " << k;
            }
            // The exit is the first sample whose run-on phase leaves the span.
            for (double spanStart : {0.0, 0.3}) {
                for (double spanEnd : {0.6, 1.0}) {
                    for (int from = first; from < frames; ++from) {
                        int expected = frames;
                        for (int k = from + 1; k <= frames; ++k) {
                            const double r = track.reached(k);
                            if (!(r >= spanStart && r < spanEnd)) {
                                expected = k;
                                break;
                            }
                        }
                        EXPECT_EQ(track.exitAfter(from, frames, spanStart, spanEnd), expected) << from << " " << frames;
                    }
                }
            }
        }
      }
    }
}

TEST(XLFOTrack, FourLaneFloorHasTheBitsOfTheScalarFloor) {
    const double big = std::ldexp(1.0, 52);
    const double values[] = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.9999999999999999, -0.9999999999999999,
                             1.0, -1.0, 1e-300, -1e-300, 4.9e-324, -4.9e-324, big - 0.5, -(big - 0.5), big, -big,
                             big + 1.0, 1e300, -1e300, 123456789.75, -123456789.25, 3e12 + 0.5, static_cast<double>(kInf),
                             -static_cast<double>(kInf)};
    const int n = static_cast<int>(sizeof values / sizeof values[0]);
    for (int k = 0; k + 4 <= n; ++k) {
        double lanes[4];
        floor(wave::Double4::loadUnaligned(values + k)).storeUnaligned(lanes);
        for (int j = 0; j < 4; ++j) {
            const double expected = std::floor(values[k + j]);
            EXPECT_EQ(std::signbit(lanes[j]), std::signbit(expected)) << values[k + j];
            EXPECT_EQ(lanes[j], expected) << values[k + j];
        }
    }
    double nan[4] = {std::nan(""), 0.5, std::nan(""), -0.5};
    floor(wave::Double4::loadUnaligned(nan)).storeUnaligned(nan);
    EXPECT_TRUE(std::isnan(nan[0]) && std::isnan(nan[2]));
    EXPECT_EQ(nan[3], -1.0);
}
