// Processing through the bundle as a host drives it: the same samples as the renderer, MIDI and
// transport at their frames, any block length and rate, and nothing allocated in run().
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "host/lv2/Lv2PortLayout.h"
#include "lv2/Lv2Support.h"
#include "lv2/Lv2TestHost.h"
#include "support/AllocationCounter.h"

namespace {

using Variant = Lv2PortLayout::Variant;

// Two resonant filters and a tempo-synced XLFO sweeping the first.
const Settings kSweep = {"Num Active Filters=2", "Filter 1 Freq=900", "Filter 1 Peak=0.7", "Filter 1 Characteristic=Tube",
                         "Filter 2 Freq=3000", "Filter 2 Response=HP", "Routing=2", "Mix=80",
                         "Num Active XLFOs=1", "XLFO 1 Sync Mode=1/4", "XLFO 1 Step 1 Value=1", "XLFO 1 Step 1 Glide=1",
                         "XLFO 1 Step 2 Value=-1", "XLFO 1 Step 2 Glide=1", "Num Active Slots=1", "Slot 1 Source=XLFO 1",
                         "Slot 1 Target=Filter 1 Freq", "Slot 1 Level=0.3"};

Lv2TestHost& host() {
    static Lv2TestHost h(lv2test::bundle());
    return h;
}

void apply(Lv2TestInstance& instance, const Settings& settings) {
    for (const auto& [symbol, value] : lv2test::portValues(settings)) {
        ASSERT_NE(instance.portIndex(symbol), UINT32_MAX) << symbol;
        instance.setControl(symbol, value);
    }
}

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return i;
    return a.size() == b.size() ? SIZE_MAX : n;
}

// Starts `original` again from the top of the song and renders it beside `other`, which starts
// there too; both must give the same samples. Returns the original's output.
std::vector<std::vector<float>> expectSameFromTheStart(Lv2TestInstance& original, Lv2TestInstance& other,
                                                       const std::vector<std::vector<float>>& input) {
    lilv_instance_deactivate(original.instance());
    lilv_instance_activate(original.instance());
    original.position(0, 120.0f, 0.0, 1.0f);
    other.position(0, 120.0f, 0.0, 1.0f);
    const auto a = original.render(input, 256), b = other.render(input, 256);
    for (size_t c = 0; c < a.size(); ++c) EXPECT_EQ(firstDifference(a[c], b[c]), SIZE_MAX) << "channel " << c;
    return a;
}

}  // namespace

TEST(Render, EveryVariantRendersWhatTheRendererRendersBitForBit) {
    const auto stereo = lv2test::signal(2, 48000);
    const auto mono = lv2test::signal(1, 48000);
    struct Case {
        Variant variant;
        const std::vector<std::vector<float>>& input;
        int channels;
    };
    for (const Case& c : {Case{Variant::Stereo, stereo, 2}, Case{Variant::Mono, mono, 1}, Case{Variant::MonoToStereo, mono, 2}}) {
        SCOPED_TRACE(Lv2PortLayout::uriOf(c.variant));
        Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(c.variant), {});
        ASSERT_TRUE(instance.valid());
        apply(instance, kSweep);
        const auto lv2 = instance.render(c.input, 512);
        // The mono-to-stereo plug-in hears its one input on both channels.
        const auto reference = lv2test::renderReference(c.input, c.channels, kSweep, 512);
        ASSERT_EQ(lv2.size(), reference.size());
        for (size_t ch = 0; ch < lv2.size(); ++ch) EXPECT_EQ(firstDifference(lv2[ch], reference[ch]), SIZE_MAX) << "channel " << ch;
    }
}

TEST(Render, TheHostsBypassCrossfadesToTheDryInput) {
    const auto input = lv2test::signal(2, 48000);
    Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    apply(instance, kSweep);
    std::vector<std::vector<float>> out;
    for (size_t pos = 0; pos < 24000; pos += 480) instance.run(input, out, pos, 480);
    instance.setControl("enabled", 0.0f);
    for (size_t pos = 24000; pos < 48000; pos += 480) instance.run(input, out, pos, 480);
    // Filtered before, half way through the 50 ms fade 1200 samples later, dry after it.
    EXPECT_NE(out[0][23000], input[0][23000]);
    EXPECT_NE(out[0][24600], input[0][24600]);
    for (size_t i = 24000 + 2400 + 480; i < 48000; ++i) ASSERT_EQ(out[0][i], input[0][i]) << i;
}

TEST(Midi, ANoteOpensTheMidiTriggeredEnvelopeAtItsFrame) {
    const Settings envelope = {"Filter 1 Freq=80", "Num Active EGs=1", "EG 1 Triggering=MIDI", "EG 1 Attack=0",
                               "Num Active Slots=1", "Slot 1 Source=EG 1", "Slot 1 Target=Filter 1 Freq", "Slot 1 Level=1"};
    const auto input = lv2test::signal(2, 24000);
    auto render = [&](bool note) {
        Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
        apply(instance, envelope);
        std::vector<std::vector<float>> out;
        for (size_t pos = 0; pos < input[0].size(); pos += 1000) {
            if (note && pos == 8000) instance.midi(300, {0x90, 60, 100});
            instance.run(input, out, pos, 1000);
        }
        return out;
    };
    const auto silent = render(false), played = render(true);
    const size_t onset = firstDifference(silent[0], played[0]);
    EXPECT_GE(onset, 8300u);
    EXPECT_LT(onset, 8300u + 64u);
    auto energy = [](const std::vector<float>& x, size_t from, size_t to) {
        double sum = 0.0;
        for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
        return sum;
    };
    // The opened filter lets through far more of the bright input.
    EXPECT_GT(energy(played[0], 10000, 24000), 4.0 * energy(silent[0], 10000, 24000));
}

TEST(Transport, TempoSyncFollowsTheHostsPositionAndTempo) {
    const auto input = lv2test::signal(2, 96000);
    Lv2TestInstance at90(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    apply(at90, kSweep);
    at90.position(0, 90.0f, 0.0, 1.0f);
    const auto lv2 = at90.render(input, 512);
    const auto reference = lv2test::renderReference(input, 2, kSweep, 512, 48000.0, 90.0f);
    EXPECT_EQ(firstDifference(lv2[0], reference[0]), SIZE_MAX);
    EXPECT_NE(firstDifference(lv2[0], lv2test::renderReference(input, 2, kSweep, 512)[0]), SIZE_MAX);
}

TEST(Transport, APositionInsideABufferSplitsItThere) {
    const auto input = lv2test::signal(2, 8192);
    auto render = [&](bool relocate, bool hostSplits) {
        Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
        apply(instance, kSweep);
        instance.position(0, 120.0f, 0.0, 1.0f);
        std::vector<std::vector<float>> out;
        for (size_t pos = 0; pos < 8192; pos += 1024) {
            if (pos == 2048 && relocate && hostSplits) {
                instance.run(input, out, pos, 300);
                instance.position(0, 120.0f, 2.5, 1.0f);
                instance.run(input, out, pos + 300, 724);
                continue;
            }
            if (pos == 2048 && relocate) instance.position(300, 120.0f, 2.5, 1.0f);
            instance.run(input, out, pos, 1024);
        }
        return out;
    };
    const auto steady = render(false, false), jumped = render(true, false), split = render(true, true);
    const size_t jump = firstDifference(steady[0], jumped[0]);
    EXPECT_GE(jump, 2048u + 300u);
    EXPECT_LT(jump, 2048u + 300u + 64u);
    EXPECT_EQ(firstDifference(jumped[0], split[0]), SIZE_MAX);
}

TEST(State, ASavedAndRestoredInstanceRendersLikeTheOriginal) {
    const auto input = lv2test::signal(2, 24000);
    Lv2TestInstance original(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    apply(original, kSweep);
    // Every render starts from the same song position, so the tempo-synced XLFO starts alike.
    original.position(0, 120.0f, 0.0, 1.0f);
    original.render(input, 256);
    LilvState* state = original.saveState();
    ASSERT_NE(state, nullptr);

    Lv2TestInstance restored(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    restored.restoreState(state);
    const auto a = expectSameFromTheStart(original, restored, input);

    // A host that restores the state but leaves its ports at the defaults hears the state too.
    Lv2TestInstance statesOnly(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    statesOnly.restoreState(state, false);
    statesOnly.position(0, 120.0f, 0.0, 1.0f);
    EXPECT_EQ(firstDifference(a[0], statesOnly.render(input, 256)[0]), SIZE_MAX);
    lilv_state_free(state);
}

TEST(State, AUserPresetSavedByTheHostLoadsIntoANewInstance) {
    // What a host's "save preset" does: the state written as a preset file of its own bundle.
    const auto input = lv2test::signal(2, 12000);
    Lv2TestInstance original(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    apply(original, kSweep);
    original.position(0, 120.0f, 0.0, 1.0f);
    original.render(input, 256);  // the ports reach the plug-in when it runs
    LilvState* state = original.saveState();
    ASSERT_NE(state, nullptr);
    lilv_state_set_label(state, "My Sweep");
    LV2_URID_Map* map = nullptr;
    LV2_URID_Unmap* unmap = nullptr;
    for (const LV2_Feature* const* f = host().features(); *f; ++f) {
        if (std::string((*f)->URI) == LV2_URID__map) map = static_cast<LV2_URID_Map*>((*f)->data);
        if (std::string((*f)->URI) == LV2_URID__unmap) unmap = static_cast<LV2_URID_Unmap*>((*f)->data);
    }
    ASSERT_TRUE(map && unmap);
    char pattern[] = "/tmp/kestrum-user-preset-XXXXXX";
    const std::string dir = std::string(mkdtemp(pattern)) + "/My_Sweep.preset.lv2/";
    ASSERT_EQ(lilv_state_save(host().world(), map, unmap, state, "urn:test:my-sweep", dir.c_str(), "preset.ttl"), 0);
    lilv_state_free(state);

    LilvNode* subject = lilv_new_uri(host().world(), "urn:test:my-sweep");
    LilvState* loaded = lilv_state_new_from_file(host().world(), map, subject, (dir + "preset.ttl").c_str());
    lilv_node_free(subject);
    ASSERT_NE(loaded, nullptr);
    EXPECT_STREQ(lilv_state_get_label(loaded), "My Sweep");
    Lv2TestInstance fresh(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    fresh.restoreState(loaded);
    lilv_state_free(loaded);
    expectSameFromTheStart(original, fresh, input);
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path().parent_path());
}

TEST(State, RestoringWhileRunningIsSafe) {
    const auto input = lv2test::signal(2, 512);
    Lv2TestInstance source(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    apply(source, kSweep);
    LilvState* state = source.saveState();
    Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {});
    std::atomic<bool> done{false};
    std::thread restorer([&] {
        for (int i = 0; i < 20; ++i) instance.restoreState(state, false);
        done = true;
    });
    std::vector<std::vector<float>> out;
    while (!done) {
        out.clear();
        instance.run(input, out, 0, 512);
        ASSERT_TRUE(lv2test::allFinite(out));
    }
    restorer.join();
    out.clear();
    instance.run(input, out, 0, 512);
    EXPECT_TRUE(lv2test::allFinite(out));
    lilv_state_free(state);
}

TEST(Robustness, AnyBlockLengthAndSampleRateGivesFiniteOutput) {
    const Settings hot = {"Filter 1 Freq=12000", "Filter 1 Peak=1", "Filter 1 Characteristic=Extreme", "Input Gain=24",
                          "Num Active XLFOs=1", "XLFO 1 Frequency=200", "XLFO 1 Step 1 Value=1", "XLFO 1 Step 2 Value=-1",
                          "Num Active Slots=1", "Slot 1 Source=XLFO 1", "Slot 1 Target=Filter 1 Freq", "Slot 1 Level=1"};
    for (double rate : {22050.0, 44100.0, 96000.0, 192000.0, 384000.0}) {
        for (uint32_t block : {1u, 13u, 64u, 1000u, 8192u}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, block " + std::to_string(block));
            Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {rate, 8192, true});
            ASSERT_TRUE(instance.valid());
            apply(instance, hot);
            const auto out = instance.render(lv2test::signal(2, block == 1 ? 1500 : 2 * 8192), block);
            EXPECT_TRUE(lv2test::allFinite(out));
        }
    }
}

TEST(Realtime, RunAllocatesNothingWithControlsMidiAndTransportMoving) {
    Lv2TestInstance instance(host(), Lv2PortLayout::uriOf(Variant::Stereo), {48000.0, 512, true});
    apply(instance, kSweep);
    const auto noise = lv2test::signal(2, 512);
    std::copy(noise[0].begin(), noise[0].end(), instance.inputBuffer(0));
    std::copy(noise[1].begin(), noise[1].end(), instance.inputBuffer(1));
    auto cycle = [&](int i) {
        instance.setControl("filter_1_freq", i % 2 ? 500.0f : 2500.0f);
        instance.setControl("enabled", i % 7 == 3 ? 0.0f : 1.0f);
        instance.midi(17, {0x90, 64, 90});
        instance.midi(300, {0x80, 64, 0});
        instance.position(100, 100.0f + i, 0.5 * i, 1.0f);
        instance.runInPlace(512);
    };
    for (int i = 0; i < 30; ++i) cycle(i);
    alloc_counter::arm();
    for (int i = 30; i < 130; ++i) cycle(i);
    EXPECT_EQ(alloc_counter::disarm(), 0u);
}
