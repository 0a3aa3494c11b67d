#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "midi/DefaultChannelEventReceiver.h"
#include "engine/MidiListener.h"
#include "platform/PosixAsyncEventQueue.h"
#include "support/AllocationCounter.h"
#include "midi/MidiTestPlugin.h"

namespace {

// Notes whether the plug-in had already seen the note when the listener is told.
struct OrderListener : MidiListener {
    explicit OrderListener(MidiTestPlugin& p) : plugin(p) {}
    void channelPressure(float) override {}
    void polyPressure(int, float) override {}
    void controlChange(int, int, float) override { ++controllers; }
    void modWheel(float) override {}
    void noteOff(int, float) override { pluginOffsAtOff = plugin.noteOffs; }
    void noteOn(int, float) override { pluginOnsAtOn = plugin.noteOns; }
    void pitchBend(float) override {}
    MidiTestPlugin& plugin;
    int pluginOnsAtOn = -1;
    int pluginOffsAtOff = -1;
    int controllers = 0;
};

struct SlotLog : AbstractMusicEventReceiver::SlotObserver {
    void channelSlotChanged(int slot, AbstractChannelEventReceiver* r) override { changes.push_back({slot, r != nullptr}); }
    std::vector<std::pair<int, bool>> changes;
};

}  // namespace

TEST(MidiInput, NotesReachThePluginBeforeTheListeners) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    OrderListener listener(plugin);
    plugin.receiver->addListener(&listener);
    plugin.receiveMidi({0x90, 64, 127, 0});
    plugin.receiveMidi({0x80, 64, 0, 10});
    plugin.run(64);
    EXPECT_EQ(plugin.noteOns, 1);
    EXPECT_EQ(listener.pluginOnsAtOn, 1);
    EXPECT_EQ(listener.pluginOffsAtOff, 1);
    EXPECT_EQ(plugin.lastKey, 64);
}

TEST(MidiInput, SelectedChannelDeliversThatChannelOnlyAndNeverTwice) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    SlotLog slots;
    plugin.receiver->setSlotObserver(&slots);

    plugin.receiveMidi({0x94, 60, 100, 0});  // channel 5
    plugin.receiveMidi({0x99, 60, 100, 0});  // channel 10
    plugin.run(32);
    EXPECT_EQ(plugin.noteOns, 2);  // all channels, each once

    plugin.receiver->selectedChannel.set(5);
    EXPECT_EQ(slots.changes, (std::vector<std::pair<int, bool>>{{0, false}, {5, true}}));
    plugin.receiveMidi({0x94, 61, 100, 0});
    plugin.receiveMidi({0x99, 61, 100, 0});
    plugin.run(32);
    EXPECT_EQ(plugin.noteOns, 3);

    plugin.receiver->selectedChannel.set(0);
    plugin.receiveMidi({0x94, 62, 100, 0});
    plugin.run(32);
    EXPECT_EQ(plugin.noteOns, 4);
    plugin.receiver->setSlotObserver(nullptr);
}

TEST(MidiInput, MappedControllerSetsThePluginParameterAndMarksThePresetModified) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    map.assign(7, plugin.params[2]->getId());
    map.assign(8, MidiVirtualPluginParameter::kFirstId);
    map.assign(9, MidiVirtualPluginParameter::kFirstId + 5);  // no such virtual parameter
    map.assign(10, 9999);                                     // no such parameter
    plugin.currentPreset().setModified(false);

    plugin.receiveMidi({0xB0, 9, 127, 0});
    plugin.receiveMidi({0xB0, 10, 127, 0});
    plugin.run(32);
    EXPECT_FALSE(plugin.currentPreset().isModified());

    plugin.receiveMidi({0xB0, 7, 127, 0});
    plugin.run(32);
    EXPECT_FLOAT_EQ(plugin.params[2]->getValue(), 10.0f);
    EXPECT_FLOAT_EQ(plugin.params[2]->applied, 10.0f);  // applied on the audio thread at once
    EXPECT_TRUE(plugin.currentPreset().isModified());

    plugin.currentPreset().setModified(false);
    plugin.receiveMidi({0xB0, 8, 64, 0});
    plugin.run(32);
    EXPECT_TRUE(plugin.currentPreset().isModified());
    EXPECT_EQ(plugin.virtualParameter->calls, 1);
    EXPECT_NEAR(plugin.virtualParameter->last, 64.0f / 127.0f, 1e-6f);
}

TEST(MidiInput, LearnTargetTiesTheNextControllerToTheParameter) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    map.assign(7, plugin.params[1]->getId());
    plugin.receiver->setLearnTarget(plugin.params[1]->getId());
    plugin.receiveMidi({0xB0, 12, 127, 0});
    plugin.run(32);
    EXPECT_EQ(map.lookup(7), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(12), plugin.params[1]->getId());
    EXPECT_FLOAT_EQ(plugin.params[1]->getValue(), 10.0f);

    plugin.receiver->setLearnTarget(-1);
    plugin.receiveMidi({0xB0, 13, 0, 0});
    plugin.run(32);
    EXPECT_EQ(map.lookup(13), MidiControllerMap::kNone);
}

TEST(MidiInput, ReplacedChannelReceiverKeepsListenersAndLearnTarget) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    OrderListener listener(plugin);
    plugin.receiver->addListener(&listener);
    plugin.receiver->setLearnTarget(plugin.params[0]->getId());
    plugin.receiver->setChannelReceiver(std::make_unique<AbstractChannelEventReceiver>(map));
    plugin.receiveMidi({0xB0, 20, 1, 0});
    plugin.run(32);
    EXPECT_EQ(listener.controllers, 1);
    EXPECT_EQ(map.lookup(20), plugin.params[0]->getId());
}

TEST(MidiInput, ProgramChangeLoadsThePresetOffTheAudioThreadOnlyWhenEnabled) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    auto* channel = dynamic_cast<DefaultChannelEventReceiver*>(&plugin.receiver->getChannelReceiver());
    ASSERT_NE(channel, nullptr);
    PosixAsyncEventQueue queue;
    int announced = 0;
    struct Counter : AsyncEventQueue::Listener {
        explicit Counter(int& n) : count(n) {}
        void asyncEventReceived(AsyncEventQueue&, int code, std::intptr_t) override { count += code == 77; }
        int& count;
    } counter(announced);
    queue.addListener(&counter);
    channel->setProgramChangeQueue(&queue, 77);
    channel->setPresetLookup([](int bank, int program) {
        return bank == 130 && program == 7 ? std::string("/presets/Bank130/Seven.zxp") : std::string();
    });

    SharedPluginSettings& shared = *GenericPlugin::sharedSettings();
    const bool wasEnabled = shared.enableMIDIProgramChanges.get();
    shared.enableMIDIProgramChanges.set(false);
    plugin.receiveMidi({0xC0, 7, 0, 0});
    plugin.run(32);
    int bank = 0, program = 0;
    EXPECT_FALSE(channel->takeProgramChange(bank, program));

    shared.enableMIDIProgramChanges.set(true);
    plugin.receiveMidi({0xB0, 0, 1, 0});
    plugin.receiveMidi({0xB0, 32, 2, 0});
    plugin.receiveMidi({0xC0, 7, 0, 0});
    plugin.run(32);
    EXPECT_TRUE(plugin.loadedPaths.empty());  // nothing is loaded on the audio thread
    queue.drain();
    EXPECT_EQ(announced, 1);
    EXPECT_TRUE(channel->applyPendingProgramChange());
    EXPECT_EQ(plugin.loadedPaths, (std::vector<std::string>{"/presets/Bank130/Seven.zxp"}));
    EXPECT_EQ(plugin.currentPreset().getName(), "Seven");
    EXPECT_FALSE(channel->applyPendingProgramChange());  // taken once

    plugin.receiveMidi({0xC0, 8, 0, 0});  // no preset for it
    plugin.run(32);
    EXPECT_FALSE(channel->applyPendingProgramChange());
    EXPECT_EQ(plugin.loadedPaths.size(), 1u);
    shared.enableMIDIProgramChanges.set(wasEnabled);
    queue.removeListener(&counter);
}

TEST(MidiInput, ModWheelModulatesTheOutputAtTheMessagePosition) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    plugin.setSampleRate(48000.0f);
    std::vector<float> out = plugin.run(256);
    EXPECT_EQ(out[255], 0.0f);  // the wheel's source starts at 0

    plugin.receiveMidi({0xB0, 1, 127, 100});
    out = plugin.run(2048);
    EXPECT_EQ(out[99], 0.0f);
    EXPECT_GT(out[101], 0.0f);
    EXPECT_FLOAT_EQ(out[2047], 1.0f);  // 20 ms glide (960 samples) is over
}

// Decoding, learned parameters, the MIDI cache and the MIDI sources run on the audio thread.
TEST(MidiInput, ProcessBlockWithMidiEverySixteenSamplesAllocatesNothing) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    plugin.setSampleRate(44100.0f);
    map.assign(7, plugin.params[0]->getId());
    map.assign(8, MidiVirtualPluginParameter::kFirstId);
    plugin.sources[1]->input.set(MidiModSource::Velocity);
    const int frames = 512;
    std::vector<float> in(frames, 0.5f), outL(frames), outR(frames);
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    auto queueMidi = [&](int block) {
        for (int offset = 0, k = 0; offset < frames; offset += 16, ++k) {
            const auto v = static_cast<uint8_t>((block * 7 + k * 13) & 0x7F);
            switch (k % 8) {
                case 0: plugin.receiveMidi({0x90, v, static_cast<uint8_t>(v | 1), offset}); break;
                case 1: plugin.receiveMidi({0x80, v, 0, offset}); break;
                case 2: plugin.receiveMidi({0xB0, 1, v, offset}); break;
                case 3: plugin.receiveMidi({0xB0, 7, v, offset}); break;
                case 4: plugin.receiveMidi({0xE0, v, v, offset}); break;
                case 5: plugin.receiveMidi({0xB3, 8, v, offset}); break;
                case 6: plugin.receiveMidi({0xD0, v, 0, offset}); break;
                default: plugin.receiveMidi({0xB0, 0x90, v, offset}); break;  // malformed
            }
        }
    };
    queueMidi(0);
    plugin.processBlock(ins, 2, outs, 2, frames);  // warm-up
    const int onsBefore = plugin.noteOns;

    alloc_counter::arm();
    for (int block = 1; block <= 40; ++block) {
        queueMidi(block);
        plugin.processBlock(ins, 2, outs, 2, frames);
    }
    EXPECT_EQ(alloc_counter::disarm(), 0u);

    EXPECT_EQ(plugin.noteOns - onsBefore, 40 * 4);
    EXPECT_GT(plugin.virtualParameter->calls, 40);
    EXPECT_NE(plugin.cache->getValue(MidiModSource::Cache::kModWheel), 0.0f);
    for (float x : outL) ASSERT_TRUE(std::isfinite(x));
}
