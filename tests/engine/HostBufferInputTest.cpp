#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/PluginChannel.h"
#include "engine/wave/Producer.h"

namespace {

// A one-channel effect whose output plays its side chain until a MIDI message switches it to the
// main input (and the next one back), the way a learned controller switches an audition choice.
class SwitchingPlugin : public GenericPlugin {
public:
    struct Selector : wave::Source {
        Selector(wave::Environment& e, wave::Producer& main, wave::Producer& side)
            : wave::Source(e), main_(main), side_(side) {}
        void render(wave::Buffer&, int frames, int) override {
            wave::Producer& from = useMain ? main_ : side_;
            setOutput(from.pull(frames, 0));
            setConstant(false);
        }
        bool useMain = false;
        wave::Producer& main_;
        wave::Producer& side_;
    };
    struct SwitchChannel : GenericPlugin::Channel {
        explicit SwitchChannel(GenericPlugin& p) : Channel(p), selector(p.getEnvironment(), mainInput(), sideChainInput()) {
            setOutput(&selector);
        }
        Selector selector;
    };
    struct Toggle : MidiMessageReceiver {
        explicit Toggle(SwitchingPlugin& p) : plugin(p) {}
        void receiveMidi(const MidiMessage&) override {
            for (auto& c : plugin.switchChannels) c->selector.useMain = !c->selector.useMain;
        }
        SwitchingPlugin& plugin;
    };

    SwitchingPlugin() : GenericPlugin(1, {.name = "Test", .pluginId = "Swch", .hasSideChain = true}) {
        init();
        switchChannels.push_back(std::make_unique<SwitchChannel>(*this));
        setSideChainConnected(true);
    }
    std::unique_ptr<MidiMessageReceiver> createEventReceiver() override { return std::make_unique<Toggle>(*this); }

    std::vector<std::unique_ptr<SwitchChannel>> switchChannels;
};

}  // namespace

// An input nobody pulled in the first chunks of a host buffer must still read the samples of the
// chunk it is first pulled in, not those of the buffer's start.
TEST(HostBufferInputs, AnInputFirstPulledMidBufferReadsTheCurrentSamples) {
    SwitchingPlugin plugin;
    plugin.setSampleRate(48000.0f);
    for (int frames : {256, 3000}) {  // one chunk per MIDI split, and a buffer cut at the block size too
        std::vector<float> main(static_cast<size_t>(frames)), side(static_cast<size_t>(frames)), out(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            main[static_cast<size_t>(i)] = static_cast<float>(i + 1);
            side[static_cast<size_t>(i)] = -static_cast<float>(i + 1);
        }
        const float* ins[2] = {main.data(), side.data()};
        float* outs[1] = {out.data()};
        const int on = frames / 3, off = 2 * frames / 3 + 1;
        plugin.receiveMidi({0xB0, 7, 127, on});   // to the main input from sample `on`...
        plugin.receiveMidi({0xB0, 7, 0, off});    // ...and back to the side chain from `off`
        plugin.processBlock(ins, 2, outs, 1, frames);
        for (int i = 0; i < frames; ++i) {
            const bool fromMain = i >= on && i < off;
            ASSERT_EQ(out[static_cast<size_t>(i)], fromMain ? main[static_cast<size_t>(i)] : side[static_cast<size_t>(i)])
                << frames << "-frame buffer, sample " << i;
        }
    }
}
