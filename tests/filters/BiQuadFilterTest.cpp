#include <gtest/gtest.h>

#include <cmath>

#include "FilterTestSupport.h"
#include "filters/BiQuadFilter.h"
#include "filters/CoefficientSegments.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 128;

double gainDb(BiQuadFilter& filter, double hz, double cutoff, double rate, float peak = 0.0f) {
    return measuredGainDb(
        [&](const std::vector<float>& in) {
            filter.reset();
            return runUnit(filter, in, static_cast<float>(std::log2(cutoff)), peak, kBlock);
        },
        hz, rate);
}

// The bilinear transform maps f to the analog frequency tan(pi·f/fs), relative to the cut-off's.
double warped(double f, double fc, double fs) { return std::tan(M_PI * f / fs) / std::tan(M_PI * fc / fs); }

}  // namespace

// At peak 0 every section is a Butterworth section (damping sqrt 2): the low pass is 3 dB down
// per section at the cut-off, follows the analog prototype below it and falls 12 dB per octave
// and section above it.
TEST(BiQuadFilter, LowPassIsButterworthPerSection) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    BiQuadFilter filter(env);
    const double fc = 1000.0;
    for (int slope : {1, 2, 3}) {
        filter.slope.set(slope);
        int sections = BiQuadFilter::sectionsForSlope(slope);
        EXPECT_NEAR(gainDb(filter, fc, fc, 48000.0), -3.01 * sections, 0.05 * sections) << slope;
        for (double w : {0.25, 2.0, 4.0, 8.0}) {
            EXPECT_NEAR(gainDb(filter, w * fc, fc, 48000.0),
                        prototypeDb(0, warped(w * fc, fc, 48000.0), std::sqrt(2.0), sections), 0.05 * sections)
                << slope << " " << w;
        }
        // Far enough below Nyquist for the transform's own zero not to steepen the slope.
        double fall = gainDb(filter, 0.5 * fc, fc / 8, 48000.0) - gainDb(filter, fc, fc / 8, 48000.0);
        EXPECT_NEAR(fall, 12.0 * sections, 0.5 * sections) << slope;
    }
}

TEST(BiQuadFilter, HighPassMirrorsTheLowPass) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    BiQuadFilter filter(env);
    filter.response.set(GenericFilter::HighPass);
    const double fc = 2000.0;
    for (int slope : {1, 2, 3}) {
        filter.slope.set(slope);
        int sections = BiQuadFilter::sectionsForSlope(slope);
        EXPECT_NEAR(gainDb(filter, fc, fc, 48000.0), -3.01 * sections, 0.05 * sections) << slope;
        double fall = gainDb(filter, fc / 4, fc, 48000.0) - gainDb(filter, fc / 8, fc, 48000.0);
        EXPECT_NEAR(fall, 12.0 * sections, 0.3 * sections) << slope;
    }
}

TEST(BiQuadFilter, BandPassHasUnityGainAtTheCentreAndNarrowsWithPeak) {
    wave::Environment env(kBlock);
    env.setSampleRate(44100.0f);
    BiQuadFilter filter(env);
    filter.response.set(GenericFilter::BandPass);
    const double fc = 1500.0;
    for (int slope : {1, 2, 3}) {
        filter.slope.set(slope);
        EXPECT_NEAR(gainDb(filter, fc, fc, 44100.0), 0.0, 0.05) << slope;
        EXPECT_LT(gainDb(filter, 2 * fc, fc, 44100.0, 1.0f), gainDb(filter, 2 * fc, fc, 44100.0, 0.0f) - 2.0);
    }
}

TEST(BiQuadFilter, CutoffIsLimitedBelowNyquist) {
    BiQuadFilter::Section limited, reference;
    BiQuadFilter::design(limited, GenericFilter::LowPass, std::log2(30000.0f), 0.3f, 44100.0f);
    BiQuadFilter::design(reference, GenericFilter::LowPass, std::log2(0.49f * 44100.0f), 0.3f, 44100.0f);
    EXPECT_NEAR(limited.a1, reference.a1, 1e-6);
    EXPECT_NEAR(limited.b0, reference.b0, 1e-6);
}

// Single-precision coefficients cannot represent a 5 Hz pole pair at 192 kHz: the DC gain of the
// low pass would be off by a large factor.
TEST(BiQuadFilter, LowCutoffAtHighRateKeepsUnityDcGain) {
    wave::Environment env(kBlock);
    env.setSampleRate(192000.0f);
    BiQuadFilter filter(env);
    filter.slope.set(3);
    std::vector<float> step(192000 * 2, 0.25f);
    std::vector<float> out = runUnit(filter, step, std::log2(5.0f), 0.0f, kBlock);
    EXPECT_NEAR(out.back(), 0.25f, 0.25f * 0.01f);
}

TEST(BiQuadFilter, ExtremeSettingsStayFinite) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        for (int response : {0, 1, 2}) {
            for (float freq : {2.2666f, 11.0f, 16.2064f}) {
                for (float peak : {0.0f, 1.0f}) {
                    wave::Environment env(kBlock);
                    env.setSampleRate(rate);
                    BiQuadFilter filter(env);
                    filter.slope.set(3);
                    filter.response.set(response);
                    for (const auto& in : {noise(rate, 4u), std::vector<float>(8192, 0.0f), std::vector<float>(rate, 1.0f)}) {
                        filter.reset();
                        std::vector<float> out = runUnit(filter, in, freq, peak, kBlock);
                        ASSERT_TRUE(allFinite(out)) << rate << " " << response << " " << freq << " " << peak;
                        // Four sections of Q 50 can ring hard, but a stable filter stays within 1e8.
                        ASSERT_LT(peakMagnitude(out), 1e8f) << rate << " " << response << " " << freq << " " << peak;
                    }
                }
            }
        }
    }
}

TEST(BiQuadFilter, ResponseOrRateChangeRecomputesCoefficients) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    BiQuadFilter filter(env);
    EXPECT_LT(gainDb(filter, 8000.0, 1000.0, 48000.0), -25.0);
    filter.response.set(GenericFilter::HighPass);  // same frequency and peak
    EXPECT_NEAR(gainDb(filter, 8000.0, 1000.0, 48000.0), 0.0, 0.2);
    env.setSampleRate(96000.0f);
    EXPECT_NEAR(gainDb(filter, 1000.0, 1000.0, 96000.0), -3.01, 0.05);
}

// The mute factor multiplies the peak at every update, including the first one of each block.
TEST(BiQuadFilter, FactorScalesThePeakFromTheFirstSample) {
    wave::Environment env(kBlock);
    BiQuadFilter filter(env);
    std::vector<float> in(kBlock, 0.0f), out(kBlock), freq(kBlock, 10.0f), peak(kBlock, 1.0f), factor(kBlock, 0.5f);
    filter.process(in.data(), out.data(), freq.data(), peak.data(), factor.data(), kBlock, true);
    EXPECT_FLOAT_EQ(filter.section(0).lastPeak, 0.5f);
    BiQuadFilter::Section expected;
    BiQuadFilter::design(expected, GenericFilter::LowPass, 10.0f, 0.5f, env.getSampleRate());
    EXPECT_DOUBLE_EQ(filter.section(0).a1, expected.a1);
}

TEST(BiQuadFilter, PoisonedStateRecoversAtTheNextBlock) {
    wave::Environment env(kBlock);
    BiQuadFilter filter(env);
    filter.slope.set(2);
    std::vector<float> in = noise(kBlock, 8u, 0.5f), out(kBlock), freq(kBlock, 10.0f), peak(kBlock, 0.7f);
    std::vector<float> poisoned = in;
    poisoned[3] = NAN;
    filter.process(poisoned.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, true);
    filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, true);
    EXPECT_TRUE(allFinite(out));
}

// The sections run sample by sample, each with its own coefficient segments. The output is what a
// cascade of separate one-section filters gives (each rounding to float), bit for bit, also while
// the cut-off sweeps faster than 0.1 octave a sample and for calls of odd lengths.
TEST(BiQuadFilter, SectionsMatchACascadeOfSingleSectionsExactly) {
    constexpr int kTotal = 5000;
    const std::vector<float> in = noise(kTotal, 31u, 0.8f);
    std::vector<float> freq(kTotal), peak(kTotal);
    for (int i = 0; i < kTotal; ++i) {
        freq[i] = i < 2000 ? 9.0f : i < 2100 ? 9.0f + 0.04f * (i - 2000) : 13.0f - 0.0005f * (i - 2100);
        peak[i] = 0.2f + 0.7f * static_cast<float>(i) / kTotal;
    }
    const int lengths[] = {1, 3, 128, 7, 64, 2, 100};
    for (int slope : {2, 3}) {
        for (int response : {0, 1, 2}) {
            wave::Environment env(kBlock);
            env.setSampleRate(48000.0f);
            BiQuadFilter cascade(env);
            cascade.slope.set(slope);
            cascade.response.set(response);
            std::vector<float> out(kTotal), expected(kTotal);
            for (int done = 0, call = 0; done < kTotal; ++call) {
                const int n = std::min(lengths[call % 7], kTotal - done);
                cascade.process(in.data() + done, out.data() + done, freq.data() + done, peak.data() + done, nullptr,
                                n, false);
                env.advanceBlock();
                env.run(n, 0);
                done += n;
            }
            // The reference: one section at a time over the whole signal, segments on the same clock.
            const int sections = BiQuadFilter::sectionsForSlope(slope);
            expected = in;
            for (int k = 0; k < sections; ++k) {
                BiQuadFilter::Section s;
                float sampled = -1.0f;
                for (int i = 0; i < kTotal; ++i) {
                    if (i == 0 || CoefficientSegments::startsAt(i, freq[i], sampled)) {
                        BiQuadFilter::design(s, response, freq[i], peak[i], 48000.0f, sections);
                        sampled = freq[i];
                    }
                    const double x = expected[i];
                    const double y = s.b0 * x + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
                    s.x2 = s.x1, s.x1 = x, s.y2 = s.y1, s.y1 = y;
                    expected[i] = static_cast<float>(y);
                }
            }
            int differing = 0;
            for (int i = 0; i < kTotal; ++i) differing += out[i] != expected[i];
            EXPECT_EQ(differing, 0) << "slope " << slope << " response " << response;
        }
    }
}

// Two filters in one pass (a stereo pair in double lanes) give each what its own pass gives, bit
// for bit: for every response and slope, with different cut-off movements per channel (a fast
// sweep against a held value, so their segments start at different samples), a mute factor on one
// of them, calls of odd lengths and the left channel filtered in place.
TEST(BiQuadFilter, PairedPassMatchesTwoSeparatePassesExactly) {
    constexpr int kTotal = 3000;
    const std::vector<float> inL = noise(kTotal, 5u, 0.9f), inR = noise(kTotal, 6u, 0.7f);
    std::vector<float> freqL(kTotal), freqR(kTotal, 11.0f), peakL(kTotal), peakR(kTotal, 0.95f), factorR(kTotal);
    for (int i = 0; i < kTotal; ++i) {
        freqL[i] = 8.0f + 5.0f * std::sin(static_cast<float>(i) * 0.01f);
        peakL[i] = 0.5f + 0.5f * std::sin(static_cast<float>(i) * 0.003f);
        factorR[i] = i < 1000 ? 1.0f : 0.25f;
    }
    const int lengths[] = {5, 1, 128, 33, 2, 64, 3};
    for (int slope : {1, 2, 3}) {
        for (int response : {0, 1, 2}) {
            wave::Environment env(kBlock);
            env.setSampleRate(44100.0f);
            BiQuadFilter pairL(env), pairR(env), soloL(env), soloR(env);
            for (BiQuadFilter* f : {&pairL, &pairR, &soloL, &soloR}) {
                f->slope.set(slope);
                f->response.set(response);
            }
            ASSERT_TRUE(pairL.sameShape(pairR));
            std::vector<float> outL = inL, outR(kTotal), expectedL(kTotal), expectedR(kTotal);
            for (int done = 0, call = 0; done < kTotal; ++call) {
                const int n = std::min(lengths[call % 7], kTotal - done);
                BiQuadFilter::processPair(
                    pairL, {outL.data() + done, outL.data() + done, freqL.data() + done, peakL.data() + done, nullptr, false, false},
                    pairR, {inR.data() + done, outR.data() + done, freqR.data() + done, peakR.data() + done, factorR.data() + done, true, false},
                    n);
                soloL.process(inL.data() + done, expectedL.data() + done, freqL.data() + done, peakL.data() + done, nullptr,
                              n, false);
                soloR.process(inR.data() + done, expectedR.data() + done, freqR.data() + done, peakR.data() + done,
                              factorR.data() + done, n, true);
                env.advanceBlock();
                env.run(n, 0);
                done += n;
            }
            int differing = 0;
            for (int i = 0; i < kTotal; ++i) differing += (outL[i] != expectedL[i]) + (outR[i] != expectedR[i]);
            EXPECT_EQ(differing, 0) << "slope " << slope << " response " << response;
            EXPECT_NE(outL, inL);
        }
    }
}
