#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "modulation/ModulationMatrix.h"
#include "support/AllocationCounter.h"

namespace {

constexpr float kRate = 48000.0f;

// Sets a parameter from text, as a user types it.
void set(KestrumPlugin& plugin, const std::string& name, const std::string& text) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        if (p->getName() != name) continue;
        float v = 0.0f;
        ASSERT_TRUE(p->parseText(text, v)) << name << " = " << text;
        p->setValue(v, 0);
        return;
    }
    FAIL() << "no parameter " << name;
}

struct Signal {
    std::vector<std::vector<float>> main, side, out;
};

Signal sine(int channels, int frames, float hz, float amplitude = 0.25f, float sideHz = 0.0f) {
    Signal s;
    s.main.assign(2, std::vector<float>(static_cast<size_t>(frames)));
    s.side.assign(2, std::vector<float>(static_cast<size_t>(frames)));
    s.out.assign(2, std::vector<float>(static_cast<size_t>(frames)));
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i) {
            double t = i / static_cast<double>(kRate);
            s.main[c][static_cast<size_t>(i)] = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * t + c));
            s.side[c][static_cast<size_t>(i)] = sideHz > 0 ? static_cast<float>(0.5 * std::sin(2 * M_PI * sideHz * t)) : 0.0f;
        }
    return s;
}

// Processes the signal in host buffers of 512 (with the side chain connected when asked).
void process(KestrumPlugin& plugin, Signal& s, bool withSide = false) {
    const int channels = plugin.getNumChannels();
    const int frames = static_cast<int>(s.main[0].size());
    plugin.setSideChainConnected(withSide);
    for (int pos = 0; pos < frames; pos += 512) {
        int n = std::min(512, frames - pos);
        const float* ins[4] = {s.main[0].data() + pos, s.main[1].data() + pos, s.side[0].data() + pos,
                               s.side[1].data() + pos};
        const float* monoIns[2] = {s.main[0].data() + pos, s.side[0].data() + pos};
        float* outs[2] = {s.out[0].data() + pos, s.out[1].data() + pos};
        plugin.processBlock(channels == 2 ? ins : monoIns, withSide ? 2 * channels : channels, outs, channels, n);
    }
}

double rms(const std::vector<float>& x, size_t from) {
    double e = 0.0;
    for (size_t i = from; i < x.size(); ++i) e += static_cast<double>(x[i]) * x[i];
    return std::sqrt(e / static_cast<double>(x.size() - from));
}

// A plug-in at 48 kHz whose settings have taken effect without smoothing.
std::unique_ptr<KestrumPlugin> makePlugin(int channels, const std::vector<std::pair<std::string, std::string>>& settings) {
    auto plugin = std::make_unique<KestrumPlugin>(channels);
    plugin->setSampleRate(kRate);
    plugin->beginUpdate();
    for (const auto& [name, text] : settings) set(*plugin, name, text);
    plugin->endUpdate();
    plugin->reset();  // applies the queue; ramps jump on restart
    plugin->getEnvironment().restartTime();
    Signal warm = sine(channels, 512, 100.0f);
    process(*plugin, warm);
    return plugin;
}

}  // namespace

TEST(ProductChain, DryMixIsTheInputBitForBitAndLeavesTheFiltersIdle) {
    for (int channels : {1, 2}) {
        auto plugin = makePlugin(channels, {{"Mix", "0 %"}, {"Num Active Filters", "4"}, {"Filter 1 Peak", "90 %"}});
        Signal s = sine(channels, 4096, 440.0f);
        process(*plugin, s);
        for (int c = 0; c < channels; ++c) EXPECT_EQ(s.out[c], s.main[c]) << channels << " channels";
        for (auto& chain : plugin->kestrumChannels())
            for (int k = 0; k < 4; ++k) EXPECT_FALSE(chain->filter(k).isComputed());
    }
}

TEST(ProductChain, AuditionPicksInputOrSideChain) {
    auto plugin = makePlugin(2, {{"Audition Signal", "Input"}, {"Filter 1 Freq", "200 Hz"}});
    Signal s = sine(2, 2048, 3000.0f, 0.25f, 700.0f);
    process(*plugin, s);
    EXPECT_EQ(s.out[0], s.main[0]);
    EXPECT_EQ(s.out[1], s.main[1]);

    plugin = makePlugin(2, {{"Audition Signal", "Side Chain"}});
    s = sine(2, 2048, 3000.0f, 0.25f, 700.0f);
    process(*plugin, s, true);
    EXPECT_EQ(s.out[0], s.side[0]);
    s = sine(2, 2048, 3000.0f, 0.25f, 700.0f);
    process(*plugin, s, false);  // nothing connected: the side chain is the main input
    EXPECT_EQ(s.out[1], s.main[1]);
}

TEST(ProductChain, LowPassFiltersAndSlopeSteepens) {
    auto plugin = makePlugin(1, {{"Filter 1 Freq", "500 Hz"}, {"Filter 1 Characteristic", "Clean"}});
    Signal low = sine(1, 9600, 100.0f), high = sine(1, 9600, 4000.0f);
    process(*plugin, low);
    process(*plugin, high);
    double passband = rms(low.out[0], 4800) / rms(low.main[0], 4800);
    double stop = rms(high.out[0], 4800) / rms(high.main[0], 4800);
    EXPECT_NEAR(passband, 1.0, 0.05);
    EXPECT_LT(20 * std::log10(stop), -30.0);  // three octaves above at 12 dB/octave: about -36 dB
}

TEST(ProductChain, MonoIgnoresThePans) {
    auto centred = makePlugin(1, {{"Filter 1 Enabled", "Disabled"}});
    auto panned = makePlugin(1, {{"Filter 1 Enabled", "Disabled"}, {"Input Pan", "100 L"}, {"Output Pan", "100 R"},
                                 {"Filter 1 Pan", "1"}});
    Signal a = sine(1, 2048, 440.0f), b = sine(1, 2048, 440.0f);
    process(*centred, a);
    process(*panned, b);
    EXPECT_EQ(a.out[0], b.out[0]);
    EXPECT_EQ(a.out[0], a.main[0]);  // all filters disabled: the routing passes the input
}

TEST(ProductChain, GainsAndPansGiveTheirLevels) {
    struct Case {
        const char *inGain, *outGain, *outPan;
        double left, right;
    } cases[] = {
        {"36 dB", "0 dB", "C", 63.0957, 63.0957},
        {"0 dB", "-36 dB", "C", 0.0158489, 0.0158489},
        {"6 dB", "0 dB", "100 R", 0.0, 1.99526},
        {"0 dB", "0 dB", "100 L", 1.0, 0.0},
        {"0 dB", "0 dB", "50 R", 0.5, 1.0},
    };
    for (const Case& c : cases) {
        auto plugin = makePlugin(2, {{"Filter 1 Enabled", "Disabled"}, {"Input Gain", c.inGain},
                                     {"Output Gain", c.outGain}, {"Output Pan", c.outPan}});
        Signal s = sine(2, 4096, 440.0f, 0.001f);
        process(*plugin, s);
        EXPECT_NEAR(rms(s.out[0], 1024) / rms(s.main[0], 1024), c.left, 1e-3 * std::max(1.0, c.left)) << c.outPan;
        EXPECT_NEAR(rms(s.out[1], 1024) / rms(s.main[1], 1024), c.right, 1e-3 * std::max(1.0, c.right)) << c.outPan;
    }
}

TEST(ProductChain, PerChannelSplitsTheFiltersBetweenLeftAndRight) {
    auto plugin = makePlugin(2, {{"Routing Mode", "Per Channel"}, {"Num Active Filters", "3"}});
    auto& left = *plugin->kestrumChannels()[0];
    auto& right = *plugin->kestrumChannels()[1];
    EXPECT_EQ(left.routing().filterCount.get(), 2);
    EXPECT_EQ(KestrumPlugin::routingsOffered(2, true, 1), 1);
    EXPECT_TRUE(left.routing().element(0).enabled.get());
    EXPECT_FALSE(left.routing().element(1).enabled.get());
    EXPECT_FALSE(right.routing().element(0).enabled.get());
    EXPECT_TRUE(right.routing().element(1).enabled.get());
    Signal s = sine(2, 1024, 440.0f);
    process(*plugin, s);
    EXPECT_TRUE(left.filter(0).isComputed());
    EXPECT_TRUE(right.filter(1).isComputed());
    EXPECT_FALSE(left.filter(2).isComputed());
    EXPECT_FALSE(right.filter(2).isComputed());
}

TEST(ProductChain, MidSideWithFourFiltersUsesConfigurationFiveAndSplitsThePairs) {
    auto plugin = makePlugin(2, {{"Routing Mode", "Mid/Side"}, {"Num Active Filters", "4"}, {"Routing", "4"}});
    for (auto& chain : plugin->kestrumChannels()) EXPECT_EQ(chain->routing().configuration.get(), 5);
    auto& mid = *plugin->kestrumChannels()[0];
    auto& side = *plugin->kestrumChannels()[1];
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(mid.routing().element(k).enabled.get(), k < 2) << k;
        EXPECT_EQ(side.routing().element(k).enabled.get(), k >= 2) << k;
    }
    // With every filter off, mid/side encoding and decoding hands left and right back.
    auto open = makePlugin(2, {{"Routing Mode", "Mid/Side"}, {"Filter 1 Enabled", "Disabled"}, {"Filter 2 Enabled", "Disabled"}});
    Signal s = sine(2, 4096, 440.0f);
    process(*open, s);
    for (int c = 0; c < 2; ++c)
        for (size_t i = 2048; i < s.out[c].size(); ++i) ASSERT_NEAR(s.out[c][i], s.main[c][i], 1e-6f) << c;
}

TEST(ProductChain, FilterPanShiftsTheChannelsCutOffsInOppositeOctaves) {
    auto plugin = makePlugin(2, {{"Filter 1 Freq", "1 kHz"}, {"Filter 1 Pan", "0.5"}});  // 1.75 octaves each way
    Signal s = sine(2, 1024, 440.0f);
    process(*plugin, s);
    LevelPanTarget& target = plugin->sharedStages().filterFrequency(0);
    float left = (*target.output(0).getOutput())[100];
    float right = (*target.output(1).getOutput())[100];
    EXPECT_NEAR(left - std::log2(1000.0f), 1.75f, 0.01f);
    EXPECT_NEAR(right - std::log2(1000.0f), -1.75f, 0.01f);
}

TEST(ProductChain, FullyLoadedStereoProcessingAllocatesNothing) {
    auto plugin = makePlugin(2, {{"Num Active Filters", "4"}, {"Filter 1 Slope", "48"}, {"Filter 2 Response", "BP"},
                                 {"Filter 3 Characteristic", "Clean"}, {"Routing", "2"}, {"Num Active Slots", "24"}});
    for (int s = 0; s < 24; ++s) {
        std::string slot = "Slot " + std::to_string(s + 1);
        set(*plugin, slot + " Source", s % 2 ? "XY 1 Hor" : "XY 2 Ver");
        set(*plugin, slot + " Target", s < 16 ? "Filter " + std::to_string(s % 4 + 1) + (s % 2 ? " Freq" : " Peak")
                                              : std::string(s % 2 ? "Mix" : "Output Gain"));
        set(*plugin, slot + " Level", "0.3");
    }
    AbstractPluginParameter* xy = nullptr;
    for (int i = 0; i < plugin->getNumParameters(); ++i)
        if (plugin->getParameter(i)->getName() == "XY Controller 1 Hor") xy = plugin->getParameter(i);
    ASSERT_NE(xy, nullptr);
    for (int frames : {1, 63, 64, 512, 4096}) {
        Signal s = sine(2, frames, 440.0f);
        process(*plugin, s);  // warm-up at this size
        alloc_counter::arm();
        for (int k = 0; k < 8; ++k) {
            xy->setValue(k % 2 ? 0.8f : -0.8f, 0);
            plugin->routingMode.setValue(k % 3 == 0 ? 0.0f : 2.0f, 0);
            plugin->filters.at(0).characteristic.setValue(static_cast<float>(k + 3), 0);  // includes Clean
            plugin->filters.at(1).slope.setValue(static_cast<float>(k % 3 + 1), 0);
            plugin->filters.getNumActive().setValue(k % 2 ? 2.0f : 4.0f, 0);
            process(*plugin, s);
        }
        EXPECT_EQ(alloc_counter::disarm(), 0u) << frames;
        for (float x : s.out[0]) ASSERT_TRUE(std::isfinite(x));
    }
}
