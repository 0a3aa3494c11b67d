#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/AllocationCounter.h"
#include "support/SpinePlugin.h"

// The whole spine (framework, gain stages, mixer, bypass stage) with moving ramps, MIDI and
// bypass switching must not allocate once it has run once.
TEST(Spine, ProcessBlockAllocatesNothingForAnyHostBufferSize) {
    for (int frames : {1, 63, 64, 512, 4096}) {
        SpinePlugin plugin;
        plugin.setSampleRate(48000.0f);
        std::vector<float> in(static_cast<size_t>(frames)), outL(in.size()), outR(in.size());
        for (int i = 0; i < frames; ++i) in[static_cast<size_t>(i)] = std::sin(0.01f * static_cast<float>(i));
        const float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {outL.data(), outR.data()};
        plugin.processBlock(ins, 2, outs, 2, frames);
        alloc_counter::arm();
        for (int k = 0; k < 40; ++k) {
            plugin.retarget(k % 2 ? 2.0f : 0.5f, k % 3 ? 1.0f : 0.25f, k % 2 ? 0.5f : -0.5f);
            plugin.receiveMidi({0xB0, 1, static_cast<uint8_t>(k), frames / 3});
            if (k == 20) plugin.setBypass(true, GenericPlugin::kBypassFromHost);
            if (k == 30) plugin.setBypass(false, GenericPlugin::kBypassFromHost);
            plugin.processBlock(ins, 2, outs, 2, frames);
        }
        EXPECT_EQ(alloc_counter::disarm(), 0u) << frames << " frames per host buffer";
        for (float x : outL) ASSERT_TRUE(std::isfinite(x));
    }
}

// Mix at -1 (0 %) with unity gains: the framework hands the dry input through bit for bit.
TEST(Spine, DryMixIsBitExactThroughTheFramework) {
    SpinePlugin plugin(1);
    plugin.setSampleRate(44100.0f);
    plugin.retarget(3.0f, 0.3f, -1.0f);
    std::vector<float> in(1000), out(1000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(0.37f * static_cast<float>(i)) * 0.8f;
    const float* ins[1] = {in.data()};
    float* outs[1] = {out.data()};
    for (int k = 0; k < 10; ++k) plugin.processBlock(ins, 1, outs, 1, 1000);  // ramps settle
    plugin.processBlock(ins, 1, outs, 1, 1000);
    EXPECT_EQ(out, in);
}
