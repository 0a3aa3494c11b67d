#pragma once
// A plug-in with the real MIDI input (decoder, default event receiver, controller map), a MIDI
// value cache with two MIDI sources, and a channel stage that multiplies the input by the first
// source's output, so MIDI modulation is audible at the plug-in's output.
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/PluginChannel.h"
#include "engine/wave/Filter.h"
#include "midi/DefaultEventReceiver.h"
#include "midi/MidiControllerMap.h"
#include "midi/MidiDecoder.h"
#include "modulation/MidiModSource.h"
#include "parameters/MidiVirtualPluginParameter.h"
#include "support/TestPlugin.h"

// Multiplies its input by a modulation producer's output, sample by sample.
class ModulatedGain : public wave::Filter {
public:
    ModulatedGain(wave::Environment& e, wave::Producer& modulation) : wave::Filter(e), modulation_(modulation) {}
    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override {
        const wave::Buffer* m = modulation_.pull(frames, flags);
        for (int i = 0; i < frames; ++i) out[i] = in[i] * (*m)[i];
        setConstant(false);
    }

private:
    wave::Producer& modulation_;
};

struct RecordingVirtual : MidiVirtualPluginParameter {
    using MidiVirtualPluginParameter::MidiVirtualPluginParameter;
    void setNormalized(float n) override {
        last = n;
        ++calls;
    }
    float last = -1.0f;
    int calls = 0;
};

class MidiTestPlugin : public GenericPlugin {
public:
    struct Channel : GenericPlugin::Channel {
        Channel(GenericPlugin& p, wave::Producer& modulation) : GenericPlugin::Channel(p), gain(p.getEnvironment(), modulation) {
            gain.setInput(&mainInput());
            setOutput(&gain);
        }
        ModulatedGain gain;
    };

    explicit MidiTestPlugin(MidiControllerMap& map, int numParams = 4) : GenericPlugin(2, {.name = "MidiTest", .pluginId = "MTst"}), map_(&map) {
        for (int i = 0; i < numParams; ++i)
            params.push_back(std::make_unique<TestParameter>(this, std::string("P").append(std::to_string(i)), 0, 10));
        midi = std::make_unique<TestParameter>(this, "Receive MIDI", 0, 1);
        setMidiParameter(midi.get());
        init();
        virtualParameter = std::make_unique<RecordingVirtual>(virtuals, "Link");
        receiver->setVirtualParameters(&virtuals);
        cache = std::make_unique<MidiModSource::Cache>();
        receiver->addListener(cache.get());
        for (int s = 0; s < 2; ++s) sources.push_back(std::make_unique<MidiModSource>(getEnvironment(), *cache));
        for (int c = 0; c < 2; ++c) channels_.push_back(std::make_unique<Channel>(*this, *sources[0]));
    }

    // The whole MIDI input in one line.
    std::unique_ptr<MidiMessageReceiver> createEventReceiver() override {
        return DefaultEventReceiver::createInput(*this, &receiver, map_);
    }

    void noteOn(int key, float velocity, int) override {
        ++noteOns;
        lastKey = key;
        lastVelocity = velocity;
    }
    void noteOff(int key, float velocity) override {
        ++noteOffs;
        lastKey = key;
        lastVelocity = velocity;
    }
    bool loadPresetData(const std::string& path) override {
        loadedPaths.push_back(path);
        return true;
    }

    // Runs one host buffer of constant input and returns the left output.
    std::vector<float> run(int frames, float input = 1.0f) {
        std::vector<float> in(static_cast<size_t>(frames), input), outL(in.size()), outR(in.size());
        const float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {outL.data(), outR.data()};
        processBlock(ins, 2, outs, 2, frames);
        return outL;
    }

    MidiControllerMap* map_;
    DefaultEventReceiver* receiver = nullptr;
    std::vector<std::unique_ptr<TestParameter>> params;
    std::unique_ptr<TestParameter> midi;
    std::vector<MidiVirtualPluginParameter*> virtuals;
    std::unique_ptr<RecordingVirtual> virtualParameter;
    std::unique_ptr<MidiModSource::Cache> cache;
    std::vector<std::unique_ptr<MidiModSource>> sources;
    std::vector<std::unique_ptr<Channel>> channels_;
    int noteOns = 0;
    int noteOffs = 0;
    int lastKey = -1;
    float lastVelocity = -1.0f;
    std::vector<std::string> loadedPaths;
};
