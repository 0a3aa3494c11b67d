#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "engine/BypassProcessor.h"
#include "support/AllocationCounter.h"
#include "support/TestPlugin.h"

namespace {

struct Recorder : GenericPlugin::Listener {
    void pluginNotification(int code, int value) override { events.push_back({code, value}); }
    std::vector<std::pair<int, int>> events;
};

struct CountingAdapter : GenericPlugin::Adapter {
    void latencyChanged() override { ++latency; }
    void parameterChanged(int index) override { changed.push_back(index); }
    void presetChanged() override { ++presets; }
    int latency = 0, presets = 0;
    std::vector<int> changed;
};

// Runs the plug-in over constant input and returns the left output.
std::vector<float> run(TestPlugin& plugin, int frames, float input = 1.0f) {
    std::vector<float> inL(frames, input), inR(frames, input), outL(frames), outR(frames);
    const float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, frames);
    return outL;
}

}  // namespace

TEST(GenericPlugin, HostBufferIsCutAtTheBlockSizeAndAtMidiOffsets) {
    TestPlugin plugin;
    ASSERT_EQ(plugin.getBlockSize(), 1024);
    auto& stage = plugin.channels_[0]->gain;
    run(plugin, 3000);
    EXPECT_EQ(stage.chunkSizes, (std::vector<int>{1024, 1024, 952}));

    stage.chunkSizes.clear();
    int startTime = plugin.getEnvironment().getCurrentTime();
    plugin.receiveMidi({0x90, 60, 100, 100});
    plugin.receiveMidi({0x80, 60, 0, 1500});
    plugin.receiveMidi({0xB0, 1, 5, 5000});  // beyond the buffer: decoded after it
    run(plugin, 2000);
    EXPECT_EQ(stage.chunkSizes, (std::vector<int>{100, 1024, 376, 500}));
    ASSERT_EQ(plugin.receiver->entries.size(), 3u);
    EXPECT_EQ(plugin.receiver->entries[0].timeAtDecode - startTime, 100);
    EXPECT_EQ(plugin.receiver->entries[1].timeAtDecode - startTime, 1500);
    EXPECT_EQ(plugin.receiver->entries[2].timeAtDecode - startTime, 2000);
}

TEST(GenericPlugin, DisabledMidiIsDroppedAndReleasesNotes) {
    TestPlugin plugin;
    plugin.midi->setValue(1.0f, 0);
    run(plugin, 64);
    EXPECT_EQ(plugin.noteOffs, (std::vector<int>{0}));
    plugin.receiveMidi({0x90, 60, 100, 0});
    run(plugin, 64);
    EXPECT_TRUE(plugin.receiver->entries.empty());
}

TEST(GenericPlugin, UpdateBatchSendsOneNotificationAndHoldsTheQueue) {
    TestPlugin plugin;
    Recorder listener;
    CountingAdapter adapter;
    plugin.setEditor(&listener);
    plugin.setAdapter(&adapter);

    plugin.params[0]->setValue(0.5f, 0);
    EXPECT_EQ(listener.events.back(), std::make_pair(GenericPlugin::kParameterChanged, plugin.params[0]->getId()));
    plugin.params[1]->setValue(0.5f, GenericPlugin::kFromHost);  // from the host: not reported back to it
    EXPECT_EQ(adapter.changed, (std::vector<int>{plugin.params[0]->getId()}));

    listener.events.clear();
    adapter.changed.clear();
    plugin.beginUpdate();
    plugin.beginUpdate();
    plugin.params[2]->setValue(0.25f, 0);
    plugin.params[3]->setValue(0.75f, 0);
    run(plugin, 64);  // nothing drained while a batch is open
    EXPECT_EQ(plugin.params[2]->applyCount, 0);
    plugin.endUpdate();
    EXPECT_TRUE(listener.events.empty());
    plugin.endUpdate();
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{GenericPlugin::kParameterChanged, -1}}));
    EXPECT_EQ(adapter.changed, (std::vector<int>{-1}));
    run(plugin, 64);
    EXPECT_FLOAT_EQ(plugin.params[2]->applied, 0.25f);
    EXPECT_EQ(plugin.channels_[1]->changes.back(), plugin.params[3]->getId());
    plugin.setEditor(nullptr);
}

TEST(GenericPlugin, OverflowingParameterQueueResyncsInsteadOfLosingValues) {
    TestPlugin plugin(1, 3);
    plugin.beginUpdate();
    for (int i = 1; i <= 20000; ++i) plugin.params[i % 3]->setValue(static_cast<float>(i) / 20000.0f, 0);
    plugin.endUpdate();
    EXPECT_GT(plugin.getDroppedChanges(), 0);
    run(plugin, 16);
    for (auto& p : plugin.params) EXPECT_FLOAT_EQ(p->applied, p->getValue());
}

TEST(GenericPlugin, BypassCrossfadesOver50Milliseconds) {
    TestPlugin plugin;
    plugin.setSampleRate(48000.0f);
    auto out = run(plugin, 256);
    EXPECT_FLOAT_EQ(out[100], 2.0f);  // processed: gain 2
    plugin.setBypass(true, GenericPlugin::kBypassFromHost);
    out = run(plugin, 4800);
    EXPECT_NEAR(out[0], 2.0f, 1e-3f);
    EXPECT_NEAR(out[1200], 1.5f, 1e-3f);  // halfway through 2400 samples
    EXPECT_FLOAT_EQ(out[2400], 1.0f);
    EXPECT_FLOAT_EQ(out[4799], 1.0f);
    // Fully bypassed: the chain is not processed at all.
    size_t chunks = plugin.channels_[0]->gain.chunkSizes.size();
    run(plugin, 512);
    EXPECT_EQ(plugin.channels_[0]->gain.chunkSizes.size(), chunks);
    plugin.setBypass(false, GenericPlugin::kBypassFromHost);
    out = run(plugin, 2400);
    EXPECT_NEAR(out[1200], 1.5f, 1e-3f);
}

TEST(GenericPlugin, LeavingBypassWaitsForTheLatencyAndDelaysTheDrySignal) {
    TestPlugin plugin;
    CountingAdapter adapter;
    plugin.setAdapter(&adapter);
    plugin.setSampleRate(48000.0f);
    plugin.setTestLatency(100);
    EXPECT_EQ(adapter.latency, 1);
    plugin.setBypass(true, GenericPlugin::kBypassFromParameter);
    plugin.reset();  // jump straight into bypass
    std::vector<float> ramp(512), outL(512), outR(512);
    for (int i = 0; i < 512; ++i) ramp[i] = static_cast<float>(i);
    const float* ins[2] = {ramp.data(), ramp.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, 512);
    EXPECT_FLOAT_EQ(outL[50], 0.0f);  // not written yet: zeros
    EXPECT_FLOAT_EQ(outL[300], 200.0f);

    plugin.setBypass(false, GenericPlugin::kBypassFromParameter);
    auto out = run(plugin, 64, 1.0f);  // the countdown covers the latency: still dry
    out = run(plugin, 64, 1.0f);
    EXPECT_FLOAT_EQ(out[63], 1.0f);
    out = run(plugin, 2400, 1.0f);
    EXPECT_NEAR(out[2399], 2.0f, 0.05f);
    EXPECT_GT(out[1200], 1.2f);
    EXPECT_LT(out[1200], 1.8f);
}

TEST(GenericPlugin, NonFiniteHostAudioNeverReachesTheChain) {
    TestPlugin plugin;
    std::vector<float> bad(256, NAN), outL(256), outR(256);
    bad[3] = INFINITY;
    const float* ins[2] = {bad.data(), bad.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, 256);
    for (float x : outL) EXPECT_TRUE(std::isfinite(x));
    auto out = run(plugin, 64, 0.5f);
    EXPECT_FLOAT_EQ(out[0], 1.0f);
}

TEST(GenericPlugin, TransportAdvancesWhileTheHostPositionStandsStill) {
    TestPlugin plugin;
    plugin.setSampleRate(48000.0f);
    plugin.setTransport(120.0f, 8.0f);
    EXPECT_FLOAT_EQ(plugin.getSongPosition(), 8.0f);
    run(plugin, 24000);  // half a second = one beat at 120 BPM
    plugin.setTransport(120.0f, 8.0f);
    EXPECT_FLOAT_EQ(plugin.getSongPosition(), 9.0f);
    plugin.setTransport(120.0f, 255.5f);
    plugin.setTransport(120.0f, 255.5f);
    EXPECT_NEAR(plugin.getSongPosition(), 0.5f, 1e-4f);  // wrapped into [0, 256)
}

TEST(GenericPlugin, ProcessBlockAllocatesNothingAfterWarmUp) {
    for (int frames : {1, 63, 64, 512, 4096}) {
        TestPlugin plugin;
        plugin.setSampleRate(48000.0f);
        for (auto* c : {&plugin.channels_[0]->gain, &plugin.channels_[1]->gain}) c->chunkSizes.reserve(100000);
        std::vector<float> in(frames, 0.25f), outL(frames), outR(frames);
        const float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {outL.data(), outR.data()};
        plugin.processBlock(ins, 2, outs, 2, frames);  // warm-up
        plugin.receiver->entries.reserve(1000);
        for (auto& c : plugin.channels_) c->changes.reserve(1000);
        alloc_counter::arm();
        for (int k = 0; k < 20; ++k) {
            plugin.receiveMidi({0x90, 60, 100, frames / 2});
            plugin.params[0]->setValue(static_cast<float>(k) / 20.0f, GenericPlugin::kFromHost);
            if (k == 10) plugin.setBypass(true, GenericPlugin::kBypassFromHost);
            plugin.setTransport(120.0f, 0.0f);
            plugin.processBlock(ins, 2, outs, 2, frames);
        }
        EXPECT_EQ(alloc_counter::disarm(), 0u) << frames << " frames per host buffer";
    }
}

namespace {
int conserveLevel = 0;
}  // namespace

TEST(GenericPlugin, ConserveMemoryHalvesTheBlockSizePerStep) {
    struct Plugin : GenericPlugin {
        explicit Plugin(int level) : GenericPlugin(1, {.name = "Conserve", .pluginId = "Cons"}) {
            conserveLevel = level;
            init();
        }
        std::unique_ptr<SharedPluginSettings> createSharedSettings() override {
            auto s = std::make_unique<SharedPluginSettings>();
            s->conserveMemory.set(conserveLevel);
            return s;
        }
    };
    EXPECT_EQ(Plugin(0).getBlockSize(), 1024);
    EXPECT_EQ(Plugin(3).getBlockSize(), 128);
    EXPECT_EQ(Plugin(4).getBlockSize(), 64);
    EXPECT_EQ(Plugin(9).getBlockSize(), 64);  // out of range: clamped to 4
}

TEST(GenericPlugin, EditorAttachedOnAnotherThreadReceivesQueuedEvents) {
    TestPlugin plugin;
    Recorder listener;
    struct Forward : AsyncEventQueue::Listener {
        void asyncEventReceived(AsyncEventQueue&, int code, std::intptr_t data) override {
            received.push_back({code, static_cast<int>(data)});
        }
        std::vector<std::pair<int, int>> received;
    } forward;
    size_t delivered = 0;
    std::thread editor([&] {
        plugin.setEditor(&listener);  // binds the queue to this thread
        plugin.eventQueue().addListener(&forward);
        std::thread audio([&] { plugin.eventQueue().post(GenericPlugin::kMidiActivity, 7); });
        audio.join();
        delivered = plugin.eventQueue().drain();
        plugin.eventQueue().removeListener(&forward);
        plugin.setEditor(nullptr);
    });
    editor.join();
    EXPECT_EQ(delivered, 1u);
    EXPECT_EQ(forward.received, (std::vector<std::pair<int, int>>{{GenericPlugin::kMidiActivity, 7}}));
    EXPECT_EQ(plugin.eventQueue().drain(), 0u);  // this thread no longer owns the queue
}

namespace {

// A product whose state is its raw parameter values, one float each, and whose first parameter
// is kept across presets. Preset files hold the same bytes.
class StatefulPlugin : public TestPlugin {
public:
    StatefulPlugin() { addKeptAcrossPresets(params[0].get()); }
    bool loadPresetData(const std::string& path) override {
        std::ifstream file(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return loadStateData(bytes.data(), bytes.size());
    }

protected:
    bool writeStateData(std::vector<uint8_t>& out) override {
        for (auto& p : params) {
            float v = p->getValue();
            const auto* b = reinterpret_cast<const uint8_t*>(&v);
            out.insert(out.end(), b, b + sizeof v);
        }
        return true;
    }
    bool loadStateData(const uint8_t* data, size_t size) override {
        if (size != params.size() * sizeof(float)) return false;
        for (size_t i = 0; i < params.size(); ++i) {
            float v;
            std::memcpy(&v, data + i * sizeof v, sizeof v);
            params[i]->setValue(v, 0);
        }
        return true;
    }
};

}  // namespace

// A host restores the project exactly as saved: one batch, one notification, no preset change, the
// kept-across-presets values included, and the values take effect without smoothing.
TEST(GenericPlugin, StateInMemoryRestoresEveryValueInOneBatch) {
    StatefulPlugin plugin;
    for (size_t i = 0; i < plugin.params.size(); ++i) plugin.params[i]->setValue(0.1f * static_cast<float>(i + 1), 0);
    const std::vector<uint8_t> state = plugin.saveState();
    ASSERT_EQ(state.size(), plugin.params.size() * sizeof(float));
    for (auto& p : plugin.params) p->setValue(0.9f, 0);
    run(plugin, 3000);
    const auto before = plugin.getEnvironment().getCurrentTime();
    ASSERT_LT(plugin.getEnvironment().getResetTime(), before);

    Recorder listener;
    CountingAdapter adapter;
    plugin.setEditor(&listener);
    plugin.setAdapter(&adapter);
    ASSERT_TRUE(plugin.loadState(state));
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{GenericPlugin::kParameterChanged, -1}}));
    EXPECT_EQ(adapter.changed, (std::vector<int>{-1}));
    EXPECT_EQ(adapter.presets, 0);
    for (size_t i = 0; i < plugin.params.size(); ++i) {
        EXPECT_FLOAT_EQ(plugin.params[i]->getValue(), 0.1f * static_cast<float>(i + 1)) << i;
    }
    run(plugin, 64);
    EXPECT_EQ(plugin.getEnvironment().getResetTime(), before);  // the ramps jump to the new values
    EXPECT_FLOAT_EQ(plugin.params[3]->applied, 0.4f);

    // Bytes no loader takes change nothing and notify nobody.
    listener.events.clear();
    EXPECT_FALSE(plugin.loadState(std::vector<uint8_t>(3, 0)));
    EXPECT_FALSE(plugin.loadState(nullptr, 16));
    EXPECT_FALSE(plugin.loadState(std::vector<uint8_t>()));
    EXPECT_FLOAT_EQ(plugin.params[3]->getValue(), 0.4f);
    EXPECT_TRUE(listener.events.empty());
    plugin.setEditor(nullptr);
}

TEST(GenericPlugin, PresetFilesKeepTheKeptValuesButStatesDoNot) {
    StatefulPlugin plugin;
    for (auto& p : plugin.params) p->setValue(0.25f, 0);
    const std::vector<uint8_t> state = plugin.saveState();
    const std::string path = ::testing::TempDir() + "kestrum-generic-state.bin";
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(state.data()), static_cast<std::streamsize>(state.size()));
    }
    for (auto& p : plugin.params) p->setValue(0.75f, 0);
    ASSERT_TRUE(plugin.loadPreset(path));
    EXPECT_FLOAT_EQ(plugin.params[0]->getValue(), 0.75f);  // kept across presets
    EXPECT_FLOAT_EQ(plugin.params[1]->getValue(), 0.25f);
    ASSERT_TRUE(plugin.loadState(state));
    EXPECT_FLOAT_EQ(plugin.params[0]->getValue(), 0.25f);  // a state restores it
    std::remove(path.c_str());

    // A product without a state format refuses both directions.
    TestPlugin plain;
    EXPECT_TRUE(plain.saveState().empty());
    EXPECT_FALSE(plain.loadState(state));
}
