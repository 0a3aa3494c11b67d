#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/mixing/Router.h"
#include "engine/wave/FloatParameterSource.h"
#include "support/TestPlugin.h"

using namespace wave;

namespace {

constexpr std::int64_t kWrap = std::int64_t{std::numeric_limits<int>::max()} + 1;  // 2^31 samples

// Lets time pass the way skipped chunks do (the clock runs, nothing renders) up to `time`.
void advanceClockTo(Environment& env, std::int64_t time) {
    while (env.getCurrentTime() < time) {
        const std::int64_t left = time - env.getCurrentTime();
        env.run(static_cast<int>(std::min<std::int64_t>(left, 1 << 30)), kSkip);
    }
}

// A ramp from `from` (the first sample) to `to` over `length` samples: equal steps, then the target.
void expectGlide(const std::vector<float>& y, float from, float to, int length, const char* what) {
    const float step = (to - from) / static_cast<float>(length);
    ASSERT_FALSE(y.empty());
    EXPECT_FLOAT_EQ(y.front(), from) << what;
    for (size_t i = 1; i < y.size(); ++i) {
        const float d = y[i] - y[i - 1];
        const bool gliding = static_cast<int>(i) <= length;
        ASSERT_NEAR(d, gliding ? step : 0.0f, 1e-5f) << what << " at sample " << i;
    }
    EXPECT_FLOAT_EQ(y.back(), to) << what;
}

}  // namespace

// The graph's clock passes 2^31 samples after 12.4 hours at 48 kHz. Ramps, router crossfades and
// the bypass fade started just before that must still glide across it.
TEST(TimeCounter, SmoothingStillGlidesAcrossTheThirtyTwoBitWrap) {
    constexpr int kBlock = 64;
    constexpr int kLength = 960;  // 20 ms at 48 kHz
    {
        Environment env(kBlock);
        env.setSampleRate(48000.0f);
        FloatParameterSource ramp(env, 0.0f);
        advanceClockTo(env, kWrap - 300);
        ramp.setTarget(1.0f, 20.0f);
        std::vector<float> y;
        for (int done = 0; done < 2000; done += kBlock) {
            env.advanceBlock();
            const Buffer* b = ramp.pull(kBlock, 0);
            y.insert(y.end(), b->data(), b->data() + kBlock);
            env.run(kBlock, 0);
        }
        EXPECT_GT(env.getCurrentTime(), kWrap);
        expectGlide(y, 0.0f, 1.0f, kLength, "parameter ramp");
    }
    {
        Environment env(kBlock);
        env.setSampleRate(48000.0f);
        FloatParameterSource one(env, 1.0f);
        Router router(env);
        router.addInput(&one);
        router.addInput(nullptr);
        router.select(1, 0.0f);  // silent at first
        advanceClockTo(env, kWrap - 300);
        router.select(0, 20.0f);
        std::vector<float> y;
        for (int done = 0; done < 2000; done += kBlock) {
            env.advanceBlock();
            const Buffer* b = router.pull(kBlock, 0);
            y.insert(y.end(), b->data(), b->data() + kBlock);
            env.run(kBlock, 0);
        }
        expectGlide(y, 0.0f, 1.0f, kLength, "router crossfade");
    }
    {
        TestPlugin plugin(1);
        plugin.setSampleRate(48000.0f);
        std::vector<float> in(kBlock, 1.0f), out(kBlock);
        const float* ins[1] = {in.data()};
        float* outs[1] = {out.data()};
        plugin.processBlock(ins, 1, outs, 1, kBlock);
        advanceClockTo(plugin.getEnvironment(), kWrap - 1000);
        plugin.setBypass(true, GenericPlugin::kBypassFromHost);  // processed 2 × input fades to the dry input over 50 ms
        std::vector<float> y;
        for (int done = 0; done < 4000; done += kBlock) {
            plugin.processBlock(ins, 1, outs, 1, kBlock);
            y.insert(y.end(), out.begin(), out.end());
        }
        EXPECT_GT(plugin.getEnvironment().getCurrentTime(), kWrap);
        expectGlide(y, 2.0f, 1.0f, 2400, "bypass fade");
    }
}
