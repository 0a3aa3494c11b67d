#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "MixingTestSupport.h"
#include "engine/mixing/EffectMixer.h"
#include "engine/mixing/LevelPanLaw.h"
#include "engine/mixing/MidSideConverter.h"
#include "engine/mixing/Router.h"
#include "engine/mixing/VolumeFilter.h"
#include "engine/wave/FloatParameterSource.h"

using namespace wave;
using mixing_test::runBlock;
using mixing_test::Signal;

namespace {

constexpr int kBlock = 64;

std::vector<float> noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& x : v) x = dist(rng);
    return v;
}

struct Graph {
    Graph() { env.setSampleRate(48000.0f); }
    Environment env{kBlock};
};

}  // namespace

// ---- gain stage ----

TEST(VolumeFilter, ConstantZeroGainOutputsSilenceWithoutPullingItsInput) {
    Graph g;
    Signal src(g.env, noise(256, 1));
    VolumeFilter stage(g.env);
    stage.setInput(&src);
    stage.gainParameter().setTarget(0.0f, 0.0f);
    Buffer* out = runBlock(g.env, stage, kBlock);
    EXPECT_EQ(out, &g.env.silence());
    EXPECT_TRUE(stage.isConstant());
    EXPECT_EQ(src.renders, 0);

    // A second gain at constant 0 closes the stage just as well.
    FloatParameterSource second(g.env, 0.0f);
    stage.gainParameter().setTarget(1.0f, 0.0f);
    stage.setSecondGain(&second);
    runBlock(g.env, stage, kBlock);
    EXPECT_EQ(src.renders, 0);
}

TEST(VolumeFilter, UnityGainHandsTheInputOnByReference) {
    Graph g;
    Signal src(g.env, noise(256, 2));
    VolumeFilter stage(g.env);
    stage.setInput(&src);
    Buffer* out = runBlock(g.env, stage, kBlock);
    EXPECT_EQ(out, src.getOutput());
    EXPECT_EQ(src.renders, 1);
}

TEST(VolumeFilter, GainsMultiplyAndRampsGlideWithoutJumps) {
    Graph g;
    std::vector<float> dc(4, 0.8f);
    Signal src(g.env, dc);
    VolumeFilter stage(g.env);
    stage.setInput(&src);
    FloatParameterSource second(g.env, 0.5f);
    stage.setSecondGain(&second);
    const int frames = 61;  // not a whole number of groups of four
    Buffer* out = runBlock(g.env, stage, frames);
    EXPECT_NE(out, src.getOutput());
    for (int i = 0; i < frames; ++i) ASSERT_FLOAT_EQ((*out)[i], 0.4f);

    // Gain 1 -> 0.25 over 10 ms (480 samples): falls steadily, then settles exactly.
    stage.gainParameter().setTarget(0.25f, 10.0f);
    float previous = 0.4f;
    for (int block = 0; block < 8; ++block) {
        out = runBlock(g.env, stage, kBlock);
        for (int i = 0; i < kBlock; ++i) {
            float y = (*out)[i];
            ASSERT_LE(y, previous + 1e-7f);
            ASSERT_LT(previous - y, 0.4f * 0.75f / 480.0f * 1.01f);  // never more than one step
            previous = y;
        }
    }
    EXPECT_FALSE(stage.isConstant());
    out = runBlock(g.env, stage, kBlock);
    for (int i = 0; i < kBlock; ++i) ASSERT_FLOAT_EQ((*out)[i], 0.1f);
}

TEST(VolumeFilter, MuteControllerSilencesTheStageAndLeavesTheInputIdle) {
    struct Switch : MuteController {
        bool mute = true;
        bool shouldMute(const Buffer&, int, int) override { return mute; }
    } controller;
    Graph g;
    Signal src(g.env, {0.5f});
    VolumeFilter stage(g.env);
    stage.setInput(&src);
    stage.gainParameter().setTarget(0.5f, 0.0f);
    stage.setMuteController(&controller);
    Buffer* out = runBlock(g.env, stage, kBlock);
    for (int i = 0; i < kBlock; ++i) ASSERT_EQ((*out)[i], 0.0f);
    EXPECT_EQ(src.renders, 0);

    controller.mute = false;
    out = runBlock(g.env, stage, kBlock);
    EXPECT_FLOAT_EQ((*out)[kBlock - 1], 0.25f);
    EXPECT_EQ(src.renders, 1);
}

// ---- level/pan laws ----

TEST(LevelPanLaw, BalanceLawAttenuatesOnlyTheFarChannel) {
    auto half = LevelPanLaw::apply(LevelPanLaw::kBalance, 1.0f, 0.5f);
    EXPECT_FLOAT_EQ(half.channel0, 0.5f);
    EXPECT_FLOAT_EQ(half.channel1, 1.0f);
    auto left = LevelPanLaw::apply(LevelPanLaw::kBalance, 0.8f, -1.0f);
    EXPECT_FLOAT_EQ(left.channel0, 0.8f);
    EXPECT_FLOAT_EQ(left.channel1, 0.0f);
    auto centre = LevelPanLaw::apply(LevelPanLaw::kBalance, 0.8f, 0.0f);
    EXPECT_FLOAT_EQ(centre.channel0, 0.8f);
    EXPECT_FLOAT_EQ(centre.channel1, 0.8f);
    auto additive = LevelPanLaw::apply(LevelPanLaw::kAdditive, 10.0f, 0.5f);
    EXPECT_FLOAT_EQ(additive.channel0, 10.5f);
    EXPECT_FLOAT_EQ(additive.channel1, 9.5f);
}

TEST(LevelPanLaw, BlockLawMatchesThePerValueLaw) {
    const int frames = 37;
    Buffer level(frames), pan(frames), c0(frames), c1(frames);
    auto l = noise(frames, 3), p = noise(frames, 4);
    for (int i = 0; i < frames; ++i) {
        level[i] = l[i] + 1.0f;
        pan[i] = p[i];
    }
    for (auto mode : {LevelPanLaw::kBalance, LevelPanLaw::kAdditive}) {
        LevelPanLaw::applyBlock(mode, level.data(), pan.data(), c0.data(), c1.data(), frames);
        for (int i = 0; i < frames; ++i) {
            auto expected = LevelPanLaw::apply(mode, level[i], pan[i]);
            ASSERT_FLOAT_EQ(c0[i], expected.channel0) << "mode " << mode << " sample " << i;
            ASSERT_FLOAT_EQ(c1[i], expected.channel1) << "mode " << mode << " sample " << i;
        }
    }
}

// ---- mid/side ----

TEST(MidSideConverter, EncodeThenDecodeReturnsLeftAndRight) {
    Graph g;
    auto left = noise(kBlock, 5), right = noise(kBlock, 6);
    Signal l(g.env, left), r(g.env, right);
    MidSideConverter encoder(g.env, MidSideConverter::kEncode);
    encoder.setInputs(&l, &r);
    MidSideConverter decoder(g.env, MidSideConverter::kDecode);
    decoder.setInputs(&encoder.output(0), &encoder.output(1));

    g.env.advanceBlock();
    Buffer* mid = encoder.output(0).pull(kBlock, 0);
    Buffer* side = encoder.output(1).pull(kBlock, 0);
    Buffer* outL = decoder.output(0).pull(kBlock, 0);
    Buffer* outR = decoder.output(1).pull(kBlock, 0);
    for (int i = 0; i < kBlock; ++i) {
        ASSERT_NEAR((*mid)[i], (left[i] + right[i]) * 0.5f, 1e-6f);
        ASSERT_NEAR((*side)[i], (left[i] - right[i]) * 0.5f, 1e-6f);
        ASSERT_NEAR((*outL)[i], left[i], 1e-6f);
        ASSERT_NEAR((*outR)[i], right[i], 1e-6f);
    }
    EXPECT_EQ(l.renders, 1);  // both outputs came from one computation

    encoder.mode().set(MidSideConverter::kPassThrough);
    g.env.advanceBlock();
    EXPECT_EQ(encoder.output(0).pull(kBlock, 0), l.getOutput());
    EXPECT_EQ(encoder.output(1).pull(kBlock, 0), r.getOutput());
}

// ---- router ----

TEST(Router, SelectionCrossfadesOver20msAndIdlesTheUnselectedInput) {
    Graph g;
    Signal a(g.env, {1.0f}, true), b(g.env, {10.0f}, true);
    Router router(g.env);
    router.addInput(&a);
    router.addInput(&b);
    router.select(0, 0.0f);
    Buffer* out = runBlock(g.env, router, kBlock);
    EXPECT_EQ(out, a.getOutput());  // lone input at gain 1: by reference
    EXPECT_EQ(b.renders, 0);

    // 20 ms at 48 kHz = 960 samples; out = gainA × 1 + gainB × 10, so both gains show in it.
    router.selected().set(1);
    for (int block = 0; block < 7; ++block) runBlock(g.env, router, kBlock);
    out = runBlock(g.env, router, kBlock);  // samples 448..511
    EXPECT_NEAR((*out)[480 - 448], 0.5f * 1.0f + 0.5f * 10.0f, 1e-4f);
    EXPECT_NEAR((*out)[0], 1.0f + (10.0f - 1.0f) * 448.0f / 960.0f, 1e-3f);
    EXPECT_FALSE(router.isConstant());

    for (int block = 0; block < 8; ++block) runBlock(g.env, router, kBlock);
    int rendersOfA = a.renders;
    out = runBlock(g.env, router, kBlock);
    EXPECT_EQ(out, b.getOutput());
    EXPECT_EQ(a.renders, rendersOfA);
}

TEST(Router, SkippedBlocksStillCountTowardsTheCrossfade) {
    Graph g;
    Signal a(g.env, {1.0f}, true), b(g.env, {2.0f}, true);
    Router router(g.env, 2);
    router.setInput(0, &a);
    router.setInput(1, &b);
    router.select(0, 0.0f);
    runBlock(g.env, router, kBlock);
    router.selected().set(1);
    // Nobody pulls the router for 20 ms; afterwards the fade must be over, not start late.
    for (int block = 0; block < 15; ++block) {
        g.env.advanceBlock();
        g.env.run(kBlock, 0);
    }
    Buffer* out = runBlock(g.env, router, kBlock);
    EXPECT_EQ(out, b.getOutput());
    EXPECT_EQ(b.renders, 1);
}

TEST(Router, SelectionOutsideTheInputsFadesToSilence) {
    Graph g;
    Signal a(g.env, {1.0f}, true);
    Router router(g.env);
    router.addInput(&a);
    router.select(3, 0.0f);
    EXPECT_EQ(runBlock(g.env, router, kBlock), &g.env.silence());
    EXPECT_EQ(a.renders, 0);
}

// ---- dry/wet mix ----

TEST(EffectMixer, FullyDryIsTheDryInputBitForBitAndNeverRunsTheProcessedBranch) {
    Graph g;
    auto dryData = noise(kBlock * 3, 7);
    Signal dry(g.env, dryData);
    Signal processed(g.env, noise(kBlock, 8));
    EffectMixer mixer(g.env);
    mixer.setLinearLaw(true);
    mixer.setDry(&dry);
    mixer.setProcessed(&processed);
    mixer.mixParameter().setTarget(-1.0f, 0.0f);
    for (int block = 0; block < 3; ++block) {
        Buffer* out = runBlock(g.env, mixer, kBlock);
        ASSERT_EQ(out, dry.getOutput());
        for (int i = 0; i < kBlock; ++i) ASSERT_EQ((*out)[i], dryData[block * kBlock + i]);
    }
    EXPECT_EQ(processed.renders, 0);

    mixer.mixParameter().setTarget(1.0f, 0.0f);
    int dryRenders = dry.renders;
    Buffer* out = runBlock(g.env, mixer, kBlock);
    EXPECT_EQ(out, processed.getOutput());
    EXPECT_EQ(dry.renders, dryRenders);
}

TEST(EffectMixer, MixLawsBlendAsSpecified) {
    Graph g;
    Signal dry(g.env, {1.0f}, true), processed(g.env, {0.25f}, true);
    EffectMixer mixer(g.env);
    mixer.setDry(&dry);
    mixer.setProcessed(&processed);

    // Linear law at 50 %: half of each.
    mixer.setLinearLaw(true);
    Buffer* out = runBlock(g.env, mixer, 13);
    for (int i = 0; i < 13; ++i) ASSERT_FLOAT_EQ((*out)[i], 0.5f * 1.0f + 0.5f * 0.25f);

    // The other law keeps both at full level in the middle and fades one side at a time.
    mixer.setLinearLaw(false);
    out = runBlock(g.env, mixer, kBlock);
    EXPECT_FLOAT_EQ((*out)[0], 1.25f);
    mixer.mixParameter().setTarget(0.5f, 0.0f);
    out = runBlock(g.env, mixer, kBlock);
    EXPECT_FLOAT_EQ((*out)[0], 0.5f * 1.0f + 0.25f);
    mixer.mixParameter().setTarget(-0.5f, 0.0f);
    out = runBlock(g.env, mixer, kBlock);
    EXPECT_FLOAT_EQ((*out)[0], 1.0f + 0.5f * 0.25f);
}

TEST(EffectMixer, OvershootingModulatedMixIsHeldToTheEnds) {
    Graph g;
    Signal dry(g.env, {1.0f}, true), processed(g.env, {0.0f}, true);
    Signal mix(g.env, {-3.0f, 5.0f});  // a modulation source gone wild
    EffectMixer mixer(g.env);
    mixer.setLinearLaw(true);
    mixer.setDry(&dry);
    mixer.setProcessed(&processed);
    mixer.setMixSource(&mix);
    Buffer* out = runBlock(g.env, mixer, kBlock);
    EXPECT_FLOAT_EQ((*out)[0], 1.0f);  // -3 -> fully dry
    EXPECT_FLOAT_EQ((*out)[1], 0.0f);  // +5 -> fully processed
}
