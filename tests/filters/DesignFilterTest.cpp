#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "DesignTestSupport.h"
#include "filters/BiQuadFilter.h"
#include "filters/FilterAnalyzer.h"
#include "filters/MultiDesignFilter.h"

using namespace filtertest;
using namespace designtest;

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBlock = 256;

// Characteristics whose slopes are checked, plus Clean.
const int kSlopeCharacteristics[] = {0, 2, 6, 8, MultiDesignFilter::kClean};

// Filters `in` with characteristic `index` (Clean included) through the one-filter path.
std::vector<float> runCharacteristic(int index, int response, int slope, double hz, float peak,
                                     const std::vector<float>& in, float rate = kRate) {
    if (index != MultiDesignFilter::kClean) return runStyle(styles()[index], response, slope, hz, peak, in, rate);
    wave::Environment env(kBlock);
    env.setSampleRate(rate);
    BiQuadFilter clean(env);
    clean.response.set(response);
    clean.slope.set(slope);
    return runUnit(clean, in, static_cast<float>(std::log2(hz)), peak, kBlock);
}

double gainDb(int index, int response, int slope, double cutoff, double hz, float peak = 0.0f,
              float amplitude = 0.5f) {
    std::vector<float> in = sine(hz, kRate, 16384, amplitude);
    return db(settledRms(runCharacteristic(index, response, slope, cutoff, peak, in)) / settledRms(in));
}

std::string nameOf(int index) {
    return index == MultiDesignFilter::kClean ? "Clean" : MultiDesignFilter::kCharacteristics[index].name;
}

// Two channels of one filter slot, computed together by the slot's design filter.
struct StereoSlot {
    explicit StereoSlot(float rate, std::vector<float> left, std::vector<float> right)
        : env(kBlock), unit(env, styles()), l(unit), r(unit), q(unit), inL(env, std::move(left)),
          inR(env, std::move(right)) {
        env.setSampleRate(rate);
        l.setInput(&inL);
        r.setInput(&inR);
        q.setInput(nullptr);  // a third member fed silence
    }
    void set(int characteristic, int response, int slope, float log2Hz, float peak) {
        for (MultiDesignFilter* f : {&l, &r, &q}) {
            f->characteristic.set(characteristic);
            f->response.set(response);
            f->slope.set(slope);
            f->frequencySource().setTarget(log2Hz, 0.0f);
            f->peakSource().setTarget(peak, 0.0f);
        }
    }
    // Runs `total` samples and returns both channels.
    std::pair<std::vector<float>, std::vector<float>> run(int total) {
        std::vector<float> a, b;
        quiet.clear();
        for (int done = 0; done < total; done += kBlock) {
            int n = std::min(kBlock, total - done);
            env.advanceBlock();
            const wave::Buffer* x = l.pull(n, 0);
            a.insert(a.end(), x->data(), x->data() + n);
            const wave::Buffer* y = r.pull(n, 0);
            b.insert(b.end(), y->data(), y->data() + n);
            const wave::Buffer* z = q.pull(n, 0);
            quiet.insert(quiet.end(), z->data(), z->data() + n);
            env.run(n, 0);
        }
        return {a, b};
    }
    wave::Environment env;
    MultiDesignFilter::ParallelUnit unit;
    MultiDesignFilter l, r, q;
    SignalSource inL, inR;
    std::vector<float> quiet;
};

}  // namespace

// Well away from the cut-off each 12 dB stage falls at close to its asymptote: measured between
// three and six times (a sixth and a third of) the cut-off; a critically damped stage gives
// 11.4 dB per octave there. The cut-offs are low against the sample rate: far above fs/20 the
// kernel's high-pass output leaks the held input's steps and flattens in the deep stop band.
TEST(DesignFilterResponse, LowPassAndHighPassSlopesFollowTheSlopeSetting) {
    const double expected[4] = {0.0, 12.0, 24.0, 48.0};
    for (int index : kSlopeCharacteristics) {
        for (int slope = 1; slope <= 3; ++slope) {
            double lowSlope = gainDb(index, GenericFilter::LowPass, slope, 250.0, 750.0) -
                              gainDb(index, GenericFilter::LowPass, slope, 250.0, 1500.0);
            EXPECT_NEAR(lowSlope, expected[slope], 0.1 * expected[slope]) << nameOf(index) << " slope " << slope;
            double highSlope = gainDb(index, GenericFilter::HighPass, slope, 750.0, 250.0) -
                               gainDb(index, GenericFilter::HighPass, slope, 750.0, 125.0);
            EXPECT_NEAR(highSlope, expected[slope], 0.1 * expected[slope]) << nameOf(index) << " slope " << slope;
            // And the pass band keeps the level (small signal, peak 0).
            EXPECT_NEAR(gainDb(index, GenericFilter::LowPass, slope, 4000.0, 100.0, 0.0f, 0.05f), 0.0, 0.5)
                << nameOf(index);
            EXPECT_NEAR(gainDb(index, GenericFilter::HighPass, slope, 100.0, 4000.0, 0.0f, 0.05f), 0.0, 0.5)
                << nameOf(index);
        }
    }
}

TEST(DesignFilterResponse, BandPassPeaksAtItsCentre) {
    for (int index : kSlopeCharacteristics) {
        for (int slope = 1; slope <= 3; ++slope) {
            double best = -1e9;
            int bestStep = 0;
            for (int step = -8; step <= 8; ++step) {  // quarter octaves around 1 kHz
                double g = gainDb(index, GenericFilter::BandPass, slope, 1000.0, 1000.0 * std::exp2(step / 4.0), 0.5f);
                if (g > best) {
                    best = g;
                    bestStep = step;
                }
            }
            EXPECT_EQ(bestStep, 0) << nameOf(index) << " slope " << slope;
            // Two octaves away it is well down.
            EXPECT_LT(gainDb(index, GenericFilter::BandPass, slope, 1000.0, 4000.0, 0.5f), best - 9.0) << nameOf(index);
            EXPECT_LT(gainDb(index, GenericFilter::BandPass, slope, 1000.0, 250.0, 0.5f), best - 9.0) << nameOf(index);
        }
    }
}

// A kick, then silence: at full peak the filter rings on by itself near its cut-off, at a level
// held in check by the clamps and the clipper. The pitch error is measured from zero crossings.
TEST(DesignFilterResponse, FullPeakSelfOscillatesNearTheCutOffAtABoundedLevel) {
    double worst = 0.0, worstAbove1k = 0.0;
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        for (double hz : {100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
            for (int slope = 1; slope <= 3; ++slope) {
                std::vector<float> kick(static_cast<size_t>(rate / 2), 0.0f);
                kick[0] = 0.5f;
                std::vector<float> out = runStyle(styles()[0], GenericFilter::LowPass, slope, hz, 1.0f, kick, rate);
                size_t tail = kick.size() / 2;
                float level = peakMagnitude(out, tail);
                EXPECT_GT(level, 0.05f) << hz << " Hz";
                EXPECT_LT(level, 1.0f) << hz << " Hz";
                double cents = 1200.0 * std::log2(zeroCrossingHz(out, rate, tail) / hz);
                worst = std::max(worst, std::fabs(cents));
                if (hz >= 1000.0) worstAbove1k = std::max(worstAbove1k, std::fabs(cents));
            }
        }
    }
    std::printf("Zelvatrix One self-oscillation pitch error: %.1f cents at most (100 Hz..10 kHz), %.1f cents from 1 kHz\n",
                worst, worstAbove1k);
    EXPECT_LT(worst, 80.0);
    EXPECT_LT(worstAbove1k, 20.0);

    // The other characteristics that self-oscillate do so where their full-peak resonance is
    // clearly above 1; the pitch stays within three semitones even where the resonance is 4.
    for (int index = 1; index < 10; ++index) {
        const DesignFilter::Style& style = *styles()[index];
        for (double hz : {100.0, 300.0, 1000.0, 3000.0, 8000.0}) {
            float res, sat, drive;
            style.lookup(static_cast<float>(std::log2(hz)), 1.0f, res, sat, drive);
            if (res < 1.1f) continue;
            std::vector<float> kick(24000, 0.0f);
            kick[0] = 0.5f;
            std::vector<float> out = runStyle(&style, GenericFilter::LowPass, 1, hz, 1.0f, kick);
            float level = peakMagnitude(out, 12000);
            EXPECT_GT(level, 0.005f) << nameOf(index) << " " << hz;
            EXPECT_LT(level, 1.5f) << nameOf(index) << " " << hz;
            double cents = 1200.0 * std::log2(zeroCrossingHz(out, kRate, 12000) / hz);
            EXPECT_LT(std::fabs(cents), 300.0) << nameOf(index) << " " << hz;
        }
    }
}

TEST(DesignFilterResponse, PeakZeroRingsOutToSilence) {
    for (int index = 0; index <= MultiDesignFilter::kClean; ++index) {
        for (int response = 0; response < 3; ++response) {
            std::vector<float> kick(24000, 0.0f);
            for (int i = 0; i < 64; ++i) kick[i] = 0.9f;
            std::vector<float> out = runCharacteristic(index, response, 3, 300.0, 0.0f, kick);
            EXPECT_LT(peakMagnitude(out, 12000), 1e-5f) << nameOf(index) << " response " << response;
        }
    }
}

TEST(DesignFilterResponse, AutoMuteSilencesSelfOscillationWhenTheInputStops) {
    for (int autoMute : {1, 0}) {
        wave::Environment env(kBlock);
        env.setSampleRate(kRate);
        MultiDesignFilter::ParallelUnit unit(env, styles());
        MultiDesignFilter filter(unit);
        std::vector<float> burst(48000, 0.0f);
        for (int i = 0; i < 480; ++i) burst[i] = 0.3f * std::sin(0.13f * static_cast<float>(i));
        SignalSource input(env, burst);
        std::vector<float> level(burst.size());
        for (size_t i = 0; i < burst.size(); ++i) level[i] = std::fabs(burst[i]);
        SignalSource levelSource(env, level);
        FilterAnalyzer analyzer(env);
        analyzer.setInput(&levelSource);
        filter.setInput(&input);
        filter.setFactorProducer(&analyzer);
        filter.autoMute.set(autoMute);
        filter.characteristic.set(0);
        filter.frequencySource().setTarget(std::log2(800.0f), 0.0f);
        filter.peakSource().setTarget(1.0f, 0.0f);
        std::vector<float> out = pullBlocks(env, filter, 48000, kBlock);
        if (autoMute) {
            EXPECT_LT(peakMagnitude(out, 24000), 1e-4f);
        } else {
            EXPECT_GT(peakMagnitude(out, 24000), 0.1f);  // keeps sounding without auto-mute
        }
    }
}

// Every characteristic, response, slope, peak and extreme frequency, at four sample rates, with
// full-scale noise, silence and a full-scale DC step: finite and bounded, through both paths.
TEST(DesignFilterSafety, NoNaNNoInfinityAndBoundedOutputForEverySetting) {
    const int length = 1024;
    std::vector<float> noiseIn = noise(length, 7u, 1.0f);
    std::vector<float> step(length, 0.0f);
    for (int i = length / 4; i < length; ++i) step[i] = 1.0f;
    float loudest = 0.0f;
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (int index = 0; index <= MultiDesignFilter::kClean; ++index) {
            for (int response = 0; response < 3; ++response) {
                for (int slope = 1; slope <= 3; ++slope) {
                    for (float peak : {0.0f, 0.5f, 1.0f}) {
                        for (float freq : {2.2666f, 9.9658f, 16.2064f}) {
                            SCOPED_TRACE(nameOf(index) + " response " + std::to_string(response) + " slope " +
                                         std::to_string(slope) + " peak " + std::to_string(peak) + " freq " +
                                         std::to_string(freq) + " rate " + std::to_string(rate));
                            StereoSlot slot(rate, noiseIn, step);
                            slot.set(index, response, slope, freq, peak);
                            auto [a, b] = slot.run(length);
                            // The one-filter path too, with noise and with silence.
                            std::vector<float> single = runCharacteristic(index, response, slope, std::exp2(freq),
                                                                          peak, noiseIn, rate);
                            std::vector<float> quiet = runCharacteristic(index, response, slope, std::exp2(freq), peak,
                                                                         std::vector<float>(256, 0.0f), rate);
                            for (const auto* s : {&a, &b, &single, &quiet, &slot.quiet}) {
                                ASSERT_TRUE(allFinite(*s));
                                ASSERT_LE(peakMagnitude(*s), 16.0f);
                                loudest = std::max(loudest, peakMagnitude(*s));
                            }
                            ASSERT_EQ(peakMagnitude(slot.quiet), 0.0f);  // silence stays exactly silent
                            ASSERT_LT(peakMagnitude(quiet), 1e-8f);      // below -160 dB
                        }
                    }
                }
            }
        }
    }
    std::printf("loudest output over all settings: %.2f (full-scale input)\n", loudest);
}

// The product computes a slot's channels in one four-lane pass; the one-filter path must give the
// same sound (the paths differ only in the 1e-24 denormal guard and in evaluation order).
TEST(DesignFilterPaths, FourLanePassAgreesWithTheOneFilterPath) {
    std::vector<float> left = noise(4096, 31u, 0.7f), right = sine(440.0, kRate, 4096, 0.6f);
    for (int index = 0; index < 10; ++index) {
        for (int slope = 1; slope <= 3; ++slope) {
            StereoSlot slot(kRate, left, right);
            slot.set(index, GenericFilter::LowPass, slope, std::log2(1200.0f), 0.5f);
            auto [a, b] = slot.run(4096);
            std::vector<float> one = runStyle(styles()[index], GenericFilter::LowPass, slope, 1200.0, 0.5f, left);
            std::vector<float> two = runStyle(styles()[index], GenericFilter::LowPass, slope, 1200.0, 0.5f, right);
            double worst = 0.0;
            for (size_t i = 0; i < a.size(); ++i) {
                worst = std::max({worst, std::fabs(static_cast<double>(a[i]) - one[i]),
                                  std::fabs(static_cast<double>(b[i]) - two[i])});
            }
            EXPECT_LT(worst, 1e-5) << nameOf(index) << " slope " << slope;
        }
    }
}

TEST(DesignFilterSwitching, CleanLeavesTheSlotAndComesBackWhileTheOtherChannelKeepsComputing) {
    StereoSlot slot(kRate, noise(2048, 41u, 0.5f), noise(2048, 42u, 0.5f));
    slot.set(6, GenericFilter::LowPass, 2, std::log2(2000.0f), 0.3f);  // Gentle
    DesignFilter& shared = slot.unit.designFilter();
    ASSERT_EQ(shared.members().size(), 3u);
    EXPECT_EQ(shared.getStyle(), styles()[6]);
    EXPECT_EQ(shared.getClipTable(), &styles()[6]->clipTable());  // the clipper follows the characteristic

    slot.l.characteristic.set(MultiDesignFilter::kClean);
    EXPECT_EQ(slot.l.getGroup(), &slot.unit.cleanGroup());
    EXPECT_EQ(slot.l.getUnit(), &slot.l.cleanFilter());
    ASSERT_EQ(shared.members().size(), 2u);
    EXPECT_EQ(shared.members()[0], &slot.r);
    auto [a, b] = slot.run(2048);
    // The left channel is now the clean biquad, the right still the design filter.
    std::vector<float> cleanRef = runCharacteristic(MultiDesignFilter::kClean, 0, 2, 2000.0, 0.3f, slot.inL.signal());
    std::vector<float> gentleRef = runStyle(styles()[6], 0, 2, 2000.0, 0.3f, slot.inR.signal());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_NEAR(a[i], cleanRef[i], 1e-5f) << i;
        ASSERT_NEAR(b[i], gentleRef[i], 1e-5f) << i;
    }

    slot.l.characteristic.set(3);  // Hard: back into the slot, and the slot now sounds Hard
    EXPECT_EQ(slot.l.getGroup(), &shared);
    EXPECT_EQ(shared.members().size(), 3u);
    EXPECT_EQ(shared.getStyle(), styles()[3]);
    EXPECT_EQ(shared.getClipTable(), &styles()[3]->clipTable());
    EXPECT_EQ(shared.inputGain(), 1.4f);
    slot.l.characteristic.set(99);  // out of range: limited to Clean
    EXPECT_EQ(slot.l.getUnit(), &slot.l.cleanFilter());
}

// With Clean in every channel the slot's biquad group computes the channels: the stereo pair in
// one pass, the third member alone. Each channel sounds exactly as its own biquad would; a member
// whose slope differs from its partner's still gets its own response.
TEST(DesignFilterSwitching, CleanChannelsComputedTogetherSoundAsTheirOwnBiquads) {
    StereoSlot slot(kRate, noise(1500, 43u, 0.5f), noise(1500, 44u, 0.5f));
    slot.set(MultiDesignFilter::kClean, GenericFilter::HighPass, 3, std::log2(900.0f), 0.6f);
    BiQuadGroup& group = slot.unit.cleanGroup();
    ASSERT_EQ(group.members().size(), 3u);
    EXPECT_EQ(slot.unit.designFilter().members().size(), 0u);
    auto [a, b] = slot.run(1500);
    EXPECT_EQ(a, runCharacteristic(MultiDesignFilter::kClean, GenericFilter::HighPass, 3, 900.0, 0.6f, slot.inL.signal()));
    EXPECT_EQ(b, runCharacteristic(MultiDesignFilter::kClean, GenericFilter::HighPass, 3, 900.0, 0.6f, slot.inR.signal()));
    EXPECT_LT(peakMagnitude(slot.quiet, 0), 1e-30f);

    slot.r.slope.set(1);  // no longer the left channel's shape: both run alone
    slot.l.reset();  // resets the whole group
    slot.inL.rewind();
    slot.inR.rewind();
    auto [c, d] = slot.run(1500);
    EXPECT_EQ(c, runCharacteristic(MultiDesignFilter::kClean, GenericFilter::HighPass, 3, 900.0, 0.6f, slot.inL.signal()));
    EXPECT_EQ(d, runCharacteristic(MultiDesignFilter::kClean, GenericFilter::HighPass, 1, 900.0, 0.6f, slot.inR.signal()));
}

// What sets the characteristics apart, measured: distortion of a 187.5 Hz sine at -6 dBFS through
// a 2 kHz low pass at half peak, and the height of the resonance at 1 kHz at peak 0.8 (small
// signal, against the pass band). No two characteristics may be alike in both.
TEST(DesignFilterCharacter, EveryCharacteristicSoundsDistinct) {
    const double f0 = 187.5;  // whole periods in the analysis window
    std::vector<float> loud = sine(f0, kRate, 65536, 0.5f);
    std::vector<float> atPeak = sine(1000.0, kRate, 48000, 0.01f), passBand = sine(62.5, kRate, 48000, 0.01f);
    double thdPercent[10], peakDb[10];
    for (int i = 0; i < 10; ++i) {
        thdPercent[i] = 100.0 * thd(runStyle(styles()[i], 0, 1, 2000.0, 0.5f, loud), f0, kRate, 32768);
        double g1 = settledRms(runStyle(styles()[i], 0, 1, 1000.0, 0.8f, atPeak)) / settledRms(atPeak);
        double g0 = settledRms(runStyle(styles()[i], 0, 1, 1000.0, 0.8f, passBand)) / settledRms(passBand);
        peakDb[i] = db(g1 / g0);
        std::printf("%-14s THD %6.2f %%   resonance peak %5.1f dB\n", nameOf(i).c_str(), thdPercent[i], peakDb[i]);
    }
    for (int i = 0; i < 10; ++i) {
        for (int j = i + 1; j < 10; ++j) {
            bool distortionDiffers = std::max(thdPercent[i], thdPercent[j]) > 1.4 * std::min(thdPercent[i], thdPercent[j]);
            bool peakDiffers = std::fabs(peakDb[i] - peakDb[j]) > 3.0;
            EXPECT_TRUE(distortionDiffers || peakDiffers) << nameOf(i) << " and " << nameOf(j) << " sound alike";
        }
    }
}

// Regression: identical Clean sections at full peak multiplied their resonance (four sections of
// damping 0.02 lifted the cut-off by about 136 dB, so full-scale noise came out near +110 dBFS).
TEST(DesignFilterCharacter, CleanCascadeResonatesNoMoreThanOneSection) {
    double lift[4] = {};
    for (int slope = 1; slope <= 3; ++slope) {
        lift[slope] = gainDb(MultiDesignFilter::kClean, GenericFilter::LowPass, slope, 1000.0, 1000.0, 1.0f, 0.001f) -
                      gainDb(MultiDesignFilter::kClean, GenericFilter::LowPass, slope, 1000.0, 50.0, 1.0f, 0.001f);
    }
    EXPECT_GT(lift[1], 30.0);  // one section at full peak: about 34 dB
    EXPECT_LE(lift[2], lift[1] + 0.5);
    EXPECT_LE(lift[3], lift[1] + 0.5);
    EXPECT_GT(lift[3], 12.0);  // still clearly resonant
}
