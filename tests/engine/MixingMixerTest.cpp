#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MixingTestSupport.h"
#include "engine/mixing/Mixer.h"
#include "engine/wave/FloatParameterSource.h"

using namespace wave;
using mixing_test::runBlock;
using mixing_test::Signal;

namespace {

constexpr int kFrames = 22;  // not a multiple of four: the last group is partly past the block

// The combine table worked sample by sample, independently of the block code.
struct Reference {
    int type;
    float held = 1.0f;

    float operator()(const std::vector<float>& values) {
        const bool magnitudeStart = type == 2 || type == 4 || type == 5 || type == 6;
        float out = magnitudeStart ? std::fabs(values[0]) : values[0];
        for (size_t k = 1; k < values.size(); ++k) {
            float x = values[k];
            switch (type) {
                case 0: out += x; break;
                case 1: out -= x; break;
                case 2: out = std::max(out, std::fabs(x)); break;
                case 3: out *= x; break;
                case 4: out = std::fabs(x) == 0.0f ? 0.0f : std::clamp(out / std::fabs(x), 0.0f, 1.0f); break;
                case 5: out = std::max(out, 1e-9f) / std::max(std::fabs(x), 1e-9f); break;
                case 6:
                    if (std::fabs(x) > 1e-9f) held = out / std::fabs(x);
                    out = held;
                    break;
                case 7: out = std::max(out, x); break;
                case 8: out = std::min(out, x); break;
            }
        }
        return out;
    }
};

}  // namespace

TEST(Mixer, EveryCombineTypeMatchesTheTableSampleBySample) {
    // Gains are applied before combining (|input| × gain for the magnitude types); zeros in
    // the later inputs exercise the division guards and the held quotient.
    const std::vector<float> a = {0.5f, -0.25f, 0.75f, 0.0f, -1.0f, 0.3f, 0.9f, -0.6f, 0.2f, 0.1f, -0.7f,
                                  0.4f, 0.05f, -0.05f, 0.8f, -0.9f, 0.6f, 0.0f, 0.33f, -0.33f, 0.5f, 0.5f};
    const std::vector<float> b = {0.25f, 0.5f, 0.0f, 0.0f, 0.5f, -0.8f, 0.0f, 0.0f, 0.0f, 0.4f, 0.2f,
                                  -0.1f, 0.0f, 0.9f, -0.2f, 0.0f, 0.0f, 0.0f, 0.7f, 0.0f, 0.1f, -1.0f};
    const std::vector<float> c = {1.0f, 0.5f, -0.5f, 0.25f, 0.0f, 0.125f, 1.0f, 0.0f, -0.5f, 0.5f, 0.0f,
                                  0.3f, 0.9f, 0.0f, 0.0f, -0.4f, 0.2f, 0.0f, 0.0f, 0.6f, -0.6f, 0.0f};
    const float gains[3] = {0.5f, 0.75f, 1.0f};
    for (int type = 0; type <= 8; ++type) {
        Environment env(32);
        Signal sa(env, a), sb(env, b), sc(env, c);
        Mixer mixer(env, 3, type);
        Signal* signals[3] = {&sa, &sb, &sc};
        for (int i = 0; i < 3; ++i) {
            mixer.setInput(i, signals[i]);
            mixer.gainParameter(i).setTarget(gains[i], 0.0f);
        }
        Reference reference{type};
        // Two blocks, so that type 6 must carry its held quotient over the block boundary.
        for (int block = 0; block < 2; ++block) {
            Buffer* out = runBlock(env, mixer, kFrames);
            for (int i = 0; i < kFrames; ++i) {
                size_t j = static_cast<size_t>((block * kFrames + i) % kFrames);
                float expected = reference({a[j] * gains[0], b[j] * gains[1], c[j] * gains[2]});
                // The reference takes |a × g|; with positive gains that equals |a| × g.
                ASSERT_FLOAT_EQ((*out)[i], expected) << "type " << type << " block " << block << " sample " << i;
            }
        }
    }
}

TEST(Mixer, HeldQuotientRepeatsTheLastRatioWhileTheDivisorIsSilent) {
    Environment env(8);
    Signal level(env, {0.5f, 0.5f, 0.6f, 0.6f, 0.6f, 0.6f, 0.6f, 0.6f});
    Signal divisor(env, {0.25f, 0.0f, 0.0f, 0.0f, 0.0f, 1e-10f, 0.0f, 0.0f});
    Mixer mixer(env, 2, Mixer::kHeldRatio);
    mixer.setInput(0, &level);
    mixer.setInput(1, &divisor);
    EXPECT_FLOAT_EQ(mixer.getHeldQuotient(), 1.0f);
    Buffer* out = runBlock(env, mixer, 8);
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ((*out)[i], 2.0f) << i;  // 0.5 / 0.25, then held
    out = runBlock(env, mixer, 8);
    EXPECT_FLOAT_EQ((*out)[0], 2.0f);
    EXPECT_FLOAT_EQ((*out)[7], 2.0f);
    mixer.resetState();
    EXPECT_FLOAT_EQ(mixer.getHeldQuotient(), 1.0f);
}

TEST(Mixer, SumLeavesClosedInputsUnpulledAndPassesALoneUnityInputOn) {
    Environment env(16);
    Signal a(env, {0.5f}, true), b(env, {0.25f}, true);
    Mixer mixer(env, 3);
    mixer.setInput(0, &a);
    mixer.setInput(2, &b);  // input 1 has no producer and is left out
    mixer.gainParameter(2).setTarget(0.0f, 0.0f);
    Buffer* out = runBlock(env, mixer, 16);
    EXPECT_EQ(out, a.getOutput());
    EXPECT_EQ(b.renders, 0);

    mixer.gainParameter(0).setTarget(0.0f, 0.0f);
    EXPECT_EQ(runBlock(env, mixer, 16), &env.silence());
    EXPECT_EQ(a.renders, 1);

    mixer.gainParameter(0).setTarget(0.5f, 0.0f);
    mixer.gainParameter(2).setTarget(1.0f, 0.0f);
    out = runBlock(env, mixer, 16);
    EXPECT_FLOAT_EQ((*out)[15], 0.5f * 0.5f + 0.25f);
    EXPECT_TRUE(mixer.isConstant());
}

TEST(Mixer, PluggedInGainSourceReplacesTheEmbeddedGain) {
    Environment env(8);
    Signal a(env, {1.0f}, true);
    Signal gain(env, {0.0f, 1.0f, 2.0f, 3.0f});
    Mixer mixer(env, 1);
    mixer.setInput(0, &a);
    mixer.setGainSource(0, &gain);
    Buffer* out = runBlock(env, mixer, 8);
    EXPECT_FLOAT_EQ((*out)[3], 3.0f);
    EXPECT_FALSE(mixer.isConstant());
    mixer.setGainSource(0, nullptr);
    out = runBlock(env, mixer, 8);
    EXPECT_EQ(out, a.getOutput());
}

TEST(Mixer, ChangingTheInputCountRebuildsFreshInputs) {
    Environment env(8);
    Signal a(env, {1.0f}, true);
    Mixer mixer(env, 2, Mixer::kPeak);
    mixer.setInput(0, &a);
    mixer.gainParameter(0).setTarget(0.5f, 0.0f);
    mixer.inputCount().set(3);
    EXPECT_EQ(mixer.getInputCount(), 3);
    EXPECT_EQ(mixer.getInput(0), nullptr);
    EXPECT_EQ(runBlock(env, mixer, 8), &env.silence());
    mixer.setInput(0, &a);
    Buffer* out = runBlock(env, mixer, 8);
    EXPECT_FLOAT_EQ((*out)[0], 1.0f);  // the gain is back at 1.0
    mixer.inputCount().set(1000);
    EXPECT_EQ(mixer.getInputCount(), Mixer::kMaxInputs);
}
