#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "FilterTestSupport.h"
#include "engine/wave/Environment.h"
#include "filters/GenericFilter.h"
#include "filters/StateVariableFilter.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 256;

// A characteristic as the design filters supply one: input gain, drive and saturation fixed,
// resonance rising with the peak past the edge of self-oscillation.
class TestDesign : public StateVariableFilter {
public:
    TestDesign(wave::Environment& env, const ClipTable* clip, float gain, float maxResonance)
        : StateVariableFilter(env, clip), gain_(gain), maxResonance_(maxResonance) {}
    void designValues(float, float peak, float& resonanceIn, float& saturation, float& drive) override {
        resonanceIn = maxResonance_ * peak;
        saturation = 0.02f * peak;
        drive = 0.5f + 2.0f * peak;
    }
    float inputGain() override { return gain_; }
    using StateVariableFilter::setState;

private:
    float gain_;
    float maxResonance_;
};

float log2Hz(double hz) { return static_cast<float>(std::log2(hz)); }

double gainDb(StateVariableFilter& filter, double hz, double cutoff, double rate, float peak = 0.0f,
              float amplitude = 0.1f) {
    return measuredGainDb(
        [&](const std::vector<float>& in) {
            filter.reset();
            return runUnit(filter, in, log2Hz(cutoff), peak, kBlock);
        },
        hz, rate, amplitude);
}

}  // namespace

// Measured responses against the analog prototype (every stage damped by 2 at peak 0), and the
// attenuation per octave far from the cut-off, for the plain kernel and one with a test
// characteristic (input gain and drive are divided out again, so both must measure the same).
class KernelResponse : public ::testing::TestWithParam<bool> {
protected:
    std::unique_ptr<StateVariableFilter> make(wave::Environment& env) {
        if (GetParam()) return std::make_unique<TestDesign>(env, &clip_, 1.4f, 0.9f);
        return std::make_unique<StateVariableFilter>(env);
    }
    StateVariableFilter::ClipTable clip_{0.3f};
};

TEST_P(KernelResponse, LowPassFollowsThePrototypeAndFallsTwelveDbPerOctavePerStage) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    auto filter = make(env);
    const double fc = 500.0;
    for (int slope : {1, 2, 3}) {
        filter->slope.set(slope);
        int stages = StateVariableFilter::stagesForSlope(slope);
        for (double w : {0.125, 0.5, 1.0, 2.0, 3.0}) {
            EXPECT_NEAR(gainDb(*filter, w * fc, fc, 48000.0), prototypeDb(0, w, 2.0, stages), 0.2 * stages + 0.2)
                << "slope " << slope << " w " << w;
        }
        // Far above the cut-off (not so far for four stages, whose output would sink below -140 dB).
        double f1 = stages == 4 ? 3.0 * fc : 4.0 * fc;
        double fall = gainDb(*filter, f1, fc, 48000.0) - gainDb(*filter, 2.0 * f1, fc, 48000.0);
        EXPECT_GT(fall, 11.0 * stages) << "slope " << slope;
        EXPECT_LT(fall, 12.5 * stages) << "slope " << slope;
    }
}

// The held input of the three iterations lets the high pass deviate a little more from the
// prototype around the cut-off than the low pass does.
TEST_P(KernelResponse, HighPassMirrorsTheLowPass) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    auto filter = make(env);
    filter->response.set(GenericFilter::HighPass);
    const double fc = 1000.0;
    for (int slope : {1, 2, 3}) {
        filter->slope.set(slope);
        int stages = StateVariableFilter::stagesForSlope(slope);
        for (double w : {8.0, 2.0, 1.0, 0.5, 1.0 / 3.0}) {
            EXPECT_NEAR(gainDb(*filter, w * fc, fc, 48000.0), prototypeDb(1, w, 2.0, stages), 1.0 * stages)
                << "slope " << slope << " w " << w;
        }
        double f1 = stages == 4 ? fc / 3.0 : fc / 4.0;
        double fall = gainDb(*filter, f1, fc, 48000.0) - gainDb(*filter, f1 / 2.0, fc, 48000.0);
        EXPECT_GT(fall, 11.0 * stages) << "slope " << slope;
        EXPECT_LT(fall, 12.5 * stages) << "slope " << slope;
    }
}

TEST_P(KernelResponse, BandPassPeaksAtTheCentre) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    auto filter = make(env);
    filter->response.set(GenericFilter::BandPass);
    const double fc = 1000.0;
    for (int slope : {1, 2, 3}) {
        filter->slope.set(slope);
        double centre = gainDb(*filter, fc, fc, 48000.0, 0.5f);
        for (double ratio : {0.5, 0.8, 1.25, 2.0}) {
            EXPECT_LT(gainDb(*filter, fc * ratio, fc, 48000.0, 0.5f), centre - 0.5)
                << "slope " << slope << " ratio " << ratio;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PlainAndDesigned, KernelResponse, ::testing::Bool());

TEST(StateVariableFilter, ResonanceRaisesTheCutoffRegion) {
    wave::Environment env(kBlock);
    env.setSampleRate(44100.0f);
    StateVariableFilter::ClipTable clip(0.3f);
    TestDesign filter(env, &clip, 1.0f, 0.95f);
    double flat = gainDb(filter, 1000.0, 1000.0, 44100.0, 0.0f, 0.01f);
    double resonant = gainDb(filter, 1000.0, 1000.0, 44100.0, 0.9f, 0.01f);
    EXPECT_GT(resonant - flat, 15.0);
}

// Members of one four-lane group, each fed its own noise: member m gets seed `seed + m`, cut-off
// `freq(m)` and peak `peak(m)` (both as the filter's source values).
struct GroupMembers {
    template <typename Freq, typename Peak>
    GroupMembers(wave::Environment& env, TestDesign& group, int count, int total, uint32_t seed, float level, int slope,
                 int response, Freq freq, Peak peak) {
        for (int m = 0; m < count; ++m) {
            sources.push_back(std::make_unique<SignalSource>(env, noise(total, seed + m, level)));
            filters.push_back(std::make_unique<GenericFilter>(env));
            GenericFilter& f = *filters.back();
            f.setInput(sources.back().get());
            joined = f.joinGroup(&group) && joined;
            f.slope.set(slope);
            f.response.set(response);
            f.frequencySource().setTarget(freq(m), 0.0f);
            f.peakSource().setTarget(peak(m), 0.0f);
        }
    }
    std::vector<std::unique_ptr<SignalSource>> sources;
    std::vector<std::unique_ptr<GenericFilter>> filters;
    bool joined = true;
};

// The four-lane pass and the one-filter path compute the same recurrence in the same order; they
// differ only by the 1e-24 offset the one-filter path keeps in its band state, which vanishes in
// the rounding of any audible signal. Tolerance 1e-6 absolute (today the outputs are identical).
TEST(StateVariableFilter, FourLanePassMatchesTheOneFilterPath) {
    constexpr int kTotal = 8192;
    const float kTolerance = 1e-6f;
    for (int memberCount : {2, 4}) {
        for (int slope : {1, 2, 3}) {
            for (int response : {0, 1, 2}) {
                wave::Environment env(kBlock);
                env.setSampleRate(48000.0f);
                StateVariableFilter::ClipTable clip(0.3f);
                TestDesign group(env, &clip, 1.4f, 1.2f);
                // Different cut-offs, one of them swept so that segments restart on moves.
                GroupMembers members(env, group, memberCount, kTotal, 7u, 0.8f, slope, response,
                                     [](int m) { return 9.0f + m; }, [](int m) { return 0.3f * m; });
                ASSERT_TRUE(members.joined);
                auto& filters = members.filters;
                std::vector<std::vector<float>> lanes(static_cast<size_t>(memberCount));
                for (int done = 0; done < kTotal; done += kBlock) {
                    if (done == kBlock * 4) filters[0]->frequencySource().setTarget(13.0f, 40.0f);
                    env.advanceBlock();
                    for (int m = 0; m < memberCount; ++m) {
                        const wave::Buffer* b = filters[m]->pull(kBlock, 0);
                        lanes[m].insert(lanes[m].end(), b->data(), b->data() + kBlock);
                    }
                    env.run(kBlock, 0);
                }
                // The same member streams through the one-filter path of a separate kernel.
                for (int m = 0; m < memberCount; ++m) {
                    wave::Environment env1(kBlock);
                    env1.setSampleRate(48000.0f);
                    TestDesign single(env1, &clip, 1.4f, 1.2f);
                    single.slope.set(slope);
                    single.response.set(response);
                    GenericFilter f(env1);
                    SignalSource source(env1, noise(kTotal, 7u + m, 0.8f));
                    f.setInput(&source);
                    f.setUnit(&single);
                    f.slope.set(slope);
                    f.response.set(response);
                    f.frequencySource().setTarget(9.0f + m, 0.0f);
                    f.peakSource().setTarget(0.3f * m, 0.0f);
                    float worst = 0.0f;
                    for (int done = 0; done < kTotal; done += kBlock) {
                        if (m == 0 && done == kBlock * 4) f.frequencySource().setTarget(13.0f, 40.0f);
                        env1.advanceBlock();
                        const wave::Buffer* b = f.pull(kBlock, 0);
                        for (int i = 0; i < kBlock; ++i) worst = std::max(worst, std::fabs((*b)[i] - lanes[m][done + i]));
                        env1.run(kBlock, 0);
                    }
                    EXPECT_LE(worst, kTolerance) << "members " << memberCount << " slope " << slope << " response "
                                                 << response << " lane " << m;
                }
            }
        }
    }
}

TEST(StateVariableFilter, SegmentsRestartOnMovesOfMoreThanATenthOfAnOctave) {
    wave::Environment env(64);
    StateVariableFilter filter(env);
    std::vector<float> in(64, 0.0f), out(64), peak(64, 0.0f);
    std::vector<float> freq(64, 0.0f);
    for (int i = 10; i < 64; ++i) freq[i] = 0.1f;  // exactly 0.1 octave: the segment goes on
    filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, 64, false);
    EXPECT_EQ(filter.segmentCount(), 2);  // only the 32-sample boundary
    for (int i = 10; i < 64; ++i) freq[i] = 0.1001f;
    filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, 64, false);
    ASSERT_EQ(filter.segmentCount(), 3);
    EXPECT_EQ(filter.segmentLength(0), 10);
    // A constant block without a factor stream is one segment.
    filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, 64, true);
    EXPECT_EQ(filter.segmentCount(), 1);
    std::vector<float> factor(64, 1.0f);
    filter.process(in.data(), out.data(), freq.data(), peak.data(), factor.data(), 64, true);
    EXPECT_EQ(filter.segmentCount(), 3);
}

// The one-filter path keeps a 1e-24 offset in its band state against denormals; through the
// clipper's grid that shows as at most one table step's rounding (below -160 dB), never denormal.
TEST(StateVariableFilter, SilenceStaysSilent) {
    wave::Environment env(kBlock);
    StateVariableFilter filter(env);
    filter.slope.set(3);
    std::vector<float> out = runUnit(filter, std::vector<float>(4096, 0.0f), 10.0f, 1.0f, kBlock);
    for (float x : out) {
        EXPECT_LT(std::fabs(x), 1e-8f);
        EXPECT_TRUE(x == 0.0f || std::fpclassify(x) == FP_NORMAL);
    }
    // The four-lane path has no offset: exactly 0.
    StateVariableFilter group(env);
    SignalSource source(env, std::vector<float>(4096, 0.0f));
    GenericFilter member(env);
    member.setInput(&source);
    member.joinGroup(&group);
    member.slope.set(3);
    member.peakSource().setTarget(1.0f, 0.0f);
    for (float x : pullBlocks(env, member, 4096, kBlock)) EXPECT_EQ(x, 0.0f);
}

// Full-scale noise, silence and a DC step through extreme settings at every common rate: the
// output stays finite and within what the clipper can produce, post·pi/(2·shape).
TEST(StateVariableFilter, ExtremeSettingsStayFiniteAndBounded) {
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f};
    std::vector<std::vector<float>> inputs = {noise(16384, 3u), std::vector<float>(16384, 0.0f),
                                              std::vector<float>(16384, 1.0f)};
    for (float rate : rates) {
        for (int slope : {1, 3}) {
            for (int response : {0, 1, 2}) {
                for (float freq : {2.2666f, 11.0f, 16.2064f}) {
                    for (float peak : {0.0f, 1.0f}) {
                        wave::Environment env(kBlock);
                        env.setSampleRate(rate);
                        StateVariableFilter::ClipTable clip(0.1f);
                        TestDesign filter(env, &clip, 1.8f, 4.31f);
                        filter.slope.set(slope);
                        filter.response.set(response);
                        float bound = 1.6f / (0.1f * 1.8f * 0.5f);  // pi/2/shape over the smallest drive·gain
                        for (const auto& in : inputs) {
                            filter.reset();
                            std::vector<float> out = runUnit(filter, in, freq, peak, kBlock);
                            ASSERT_TRUE(allFinite(out)) << rate << " " << freq << " " << peak;
                            ASSERT_LE(peakMagnitude(out), bound) << rate << " " << freq << " " << peak;
                        }
                    }
                }
            }
        }
    }
}

TEST(StateVariableFilter, SelfOscillationIsBoundedAndTheMuteFactorSilencesIt) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    StateVariableFilter::ClipTable clip(0.3f);
    TestDesign filter(env, &clip, 1.0f, 3.5f);
    std::vector<float> in(48000, 0.0f);
    in[0] = 1.0f;
    std::vector<float> out = runUnit(filter, in, log2Hz(800.0), 1.0f, kBlock);
    // Still ringing a second later, at a bounded level.
    EXPECT_GT(peakMagnitude(out, 40000), 0.05f);
    EXPECT_LT(peakMagnitude(out), 30.0f);

    // With the factor at 0 the peak is gone and the oscillation decays.
    std::vector<float> freq(kBlock, log2Hz(800.0)), peak(kBlock, 1.0f), factor(kBlock, 0.0f);
    std::vector<float> silent(kBlock, 0.0f), tail(kBlock);
    for (int b = 0; b < 40; ++b) filter.process(silent.data(), tail.data(), freq.data(), peak.data(), factor.data(), kBlock, true);
    EXPECT_LT(peakMagnitude(tail), 1e-5f);
}

TEST(StateVariableFilter, PoisonedStateRecoversAtTheNextBlock) {
    wave::Environment env(kBlock);
    StateVariableFilter filter(env);
    std::vector<float> freq(kBlock, 10.0f), peak(kBlock, 0.5f), in = noise(kBlock, 5u, 0.5f), out(kBlock);
    std::vector<float> poisoned = in;
    poisoned[100] = NAN;
    filter.process(poisoned.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, true);
    for (int b = 0; b < 2; ++b) {
        filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, true);
        EXPECT_TRUE(allFinite(out)) << "block " << b;
    }
    for (int s = 0; s < 4; ++s) EXPECT_TRUE(std::isfinite(filter.lowState(s, 0)) && std::isfinite(filter.bandState(s, 0)));
}

TEST(StateVariableFilter, PoisonedLaneRecoversAtTheNextBlock) {
    wave::Environment env(kBlock);
    StateVariableFilter group(env);
    std::vector<float> signal = noise(kBlock * 4, 9u, 0.5f);
    signal[10] = NAN;
    SignalSource source(env, signal);
    GenericFilter filter(env);
    filter.setInput(&source);
    filter.joinGroup(&group);
    std::vector<float> out = pullBlocks(env, filter, kBlock * 4, kBlock);
    EXPECT_TRUE(allFinite(std::vector<float>(out.begin() + kBlock, out.end())));
}

TEST(StateVariableFilter, ProcessingLeavesTheRoundingModeAsItWas) {
    wave::Environment env(kBlock);
    StateVariableFilter filter(env);
    std::fesetround(FE_UPWARD);
    runUnit(filter, noise(1000, 1u), 10.0f, 0.5f, kBlock);
    EXPECT_EQ(std::fegetround(), FE_UPWARD);
    std::fesetround(FE_TONEAREST);
}

TEST(StateVariableFilter, OddBlockLengthsWriteNothingPastTheEnd) {
    wave::Environment env(kBlock);
    StateVariableFilter filter(env);
    std::vector<float> in = noise(7, 2u), out(11, 123.0f), freq(7, 12.0f), peak(7, 0.2f);
    filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, 7, true);
    for (int i = 7; i < 11; ++i) EXPECT_EQ(out[i], 123.0f);
}

// With one or two members the stages run pipelined in the idle lanes; a third member forces the
// plain four-lane pass. Both must give the same bits, also where the frequency sweeps so fast that
// segments last a sample, and for calls of 1, 2, 3 and other odd lengths (the pipeline fills and
// drains within every call).
TEST(StateVariableFilter, PipelinedStagesMatchThePlainPassExactly) {
    constexpr int kTotal = 6000;
    const int lengths[] = {1, 2, 3, 5, 64, 37, 256, 4, 111};
    for (int slope : {2, 3}) {
        for (int response : {0, 1, 2}) {
            for (int memberCount : {1, 2}) {
                std::vector<std::vector<float>> outputs[2];
                for (int plain = 0; plain < 2; ++plain) {
                    wave::Environment env(kBlock);
                    env.setSampleRate(48000.0f);
                    StateVariableFilter::ClipTable clip(0.3f);
                    TestDesign group(env, &clip, 1.4f, 1.1f);
                    const int members = plain ? 3 : memberCount;
                    GroupMembers built(env, group, members, kTotal, 3u, 0.9f, slope, response,
                                        [](int m) { return 8.0f + 1.5f * m; }, [](int m) { return 0.45f + 0.4f * m; });
                    ASSERT_TRUE(built.joined);
                    auto& filters = built.filters;
                    outputs[plain].resize(static_cast<size_t>(members));
                    int done = 0;
                    for (int call = 0; done < kTotal; ++call) {
                        const int n = std::min(lengths[call % 9], kTotal - done);
                        if (call == 20) filters[0]->frequencySource().setTarget(14.0f, 2.0f);  // ~1 segment a sample
                        if (call == 40 && members > 1) filters[1]->frequencySource().setTarget(12.0f, 30.0f);
                        if (call == 60) filters[0]->peakSource().setTarget(0.95f, 5.0f);
                        env.advanceBlock();
                        for (int m = 0; m < members; ++m) {
                            const wave::Buffer* b = filters[m]->pull(n, 0);
                            outputs[plain][m].insert(outputs[plain][m].end(), b->data(), b->data() + n);
                        }
                        env.run(n, 0);
                        done += n;
                    }
                }
                for (int m = 0; m < memberCount; ++m) {
                    int differing = 0;
                    for (int i = 0; i < kTotal; ++i) differing += outputs[0][m][i] != outputs[1][m][i];
                    EXPECT_EQ(differing, 0) << "slope " << slope << " response " << response << " members "
                                            << memberCount << " lane " << m;
                    EXPECT_GT(peakMagnitude(outputs[0][m]), 0.01f);
                }
            }
        }
    }
}

// When members leave a group of four, the two left run pipelined while the lanes of the others still
// hold their coefficients (saturation among them). The pipelined pass must not apply any of it to
// the later stages it keeps in those lanes: its members sound exactly as in the plain pass.
TEST(StateVariableFilter, PipelinedPassIgnoresTheCoefficientsOfMembersThatLeft) {
    constexpr int kCall = 64, kBefore = 10, kAfter = 30;
    for (int response : {0, 1, 2}) {
        std::vector<float> outputs[2][2];
        for (int leave = 0; leave < 2; ++leave) {
            wave::Environment env(kBlock);
            env.setSampleRate(48000.0f);
            StateVariableFilter::ClipTable clip(0.3f);
            TestDesign group(env, &clip, 1.4f, 1.1f);
            GroupMembers built(env, group, 4, kCall * (kBefore + kAfter), 11u, 0.9f, 3, response,
                                [](int m) { return 9.0f + m; }, [](int m) { return 0.3f + 0.2f * m; });
            ASSERT_TRUE(built.joined);
            for (int call = 0; call < kBefore + kAfter; ++call) {
                if (call == kBefore && leave) {
                    built.filters[3]->leaveGroup();
                    built.filters[2]->leaveGroup();
                }
                env.advanceBlock();
                const int pulled = leave && call >= kBefore ? 2 : 4;
                for (int m = 0; m < pulled; ++m) {
                    const wave::Buffer* b = built.filters[m]->pull(kCall, 0);
                    if (m < 2) outputs[leave][m].insert(outputs[leave][m].end(), b->data(), b->data() + kCall);
                }
                env.run(kCall, 0);
            }
        }
        for (int m = 0; m < 2; ++m) {
            ASSERT_EQ(outputs[0][m].size(), outputs[1][m].size());
            EXPECT_EQ(std::memcmp(outputs[0][m].data(), outputs[1][m].data(), sizeof(float) * outputs[0][m].size()), 0)
                << "response " << response << " member " << m;
            EXPECT_GT(peakMagnitude(outputs[1][m]), 0.01f);
        }
    }
}

// The clip stage reads its own copy of the table; it must give the table's values bit for bit,
// inside the grid, at its points, past both ends, and for values that are not numbers at all.
TEST(StateVariableFilter, ClipTableReadMatchesItsFunctionTableExactly) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float shape : {0.3f, 0.05f, 1.0f}) {
        StateVariableFilter::ClipTable clip(shape);
        const FunctionTable& table = clip.table();
        std::vector<float> values;
        for (int k = -500000; k <= 500000; ++k) values.push_back(4.4e-5f * static_cast<float>(k) * 1.0001f);
        for (int k = 0; k < table.size(); ++k) values.push_back(table.getMin() + 80.0f * k / (table.size() - 1));
        for (float v : {0.0f, -0.0f, 39.9999f, 40.0f, -40.0f, 1e9f, -1e9f, inf, -inf, nan, 1e-30f}) values.push_back(v);
        while (values.size() % 4 != 0) values.push_back(0.5f);

        FunctionTable::RoundDownScope roundDown;
        int mismatches = 0;
        for (size_t j = 0; j < values.size(); j += 4) {
            const wave::Float4 v = wave::Float4::loadUnaligned(&values[j]);
            const wave::Float4 expected = table.read(v), actual = clip.read(v);
            for (int lane = 0; lane < 4; ++lane) {
                const float e = expected.lane(lane), a = actual.lane(lane);
                if (std::memcmp(&e, &a, sizeof e) != 0 && ++mismatches < 5)
                    ADD_FAILURE() << "shape " << shape << " at " << values[j + lane] << ": " << a << " vs " << e;
            }
        }
        EXPECT_EQ(mismatches, 0) << shape;
    }
}
