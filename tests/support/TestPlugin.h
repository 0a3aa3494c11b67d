#pragma once
// A minimal product for framework tests: one gain filter per channel (processed = gain × input),
// simple float parameters, and a MIDI receiver that records what reaches it.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "engine/PluginChannel.h"
#include "engine/wave/Filter.h"

class TestParameter : public AbstractPluginParameter {
public:
    TestParameter(GenericParameterOwner* o, const std::string& n, float lo = 0, float hi = 1)
        : AbstractPluginParameter(o, 0, n), lo_(lo), hi_(hi) {}
    float normalize(float v) override { return (v - lo_) / (hi_ - lo_); }
    float denormalize(float n) override { return lo_ + n * (hi_ - lo_); }
    bool parseText(const std::string& t, float& out) override {
        char* end = nullptr;
        float v = std::strtof(t.c_str(), &end);
        if (end == t.c_str() || *end != '\0' || v < lo_ || v > hi_) return false;
        out = v;
        return true;
    }
    std::string formatValue(float v) override { return std::to_string(v); }
    float getDefaultValue() override { return lo_; }
    float getMaximum() override { return hi_; }
    float getMinimum() override { return lo_; }
    float getValue() override { return value_; }
    void setValue(float v, int flags) override {
        if (v == value_) return;
        value_ = v;
        owner->setParameter(id, v, flags);
    }
    bool isNumeric() override { return true; }
    void applyValue(float v) override {
        applied = v;
        ++applyCount;
    }
    float applied = 0.0f;
    int applyCount = 0;

private:
    float lo_, hi_, value_ = 0.0f;
};

class GainStage : public wave::Filter {
public:
    explicit GainStage(wave::Environment& e) : wave::Filter(e) {}
    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int) override {
        chunkSizes.push_back(frames);  // reserved by the test before it counts allocations
        for (int i = 0; i < frames; ++i) out[i] = gain * in[i];
        setConstant(false);
    }
    float gain = 2.0f;
    std::vector<int> chunkSizes;
};

struct RecordingReceiver : MidiMessageReceiver {
    struct Entry {
        MidiMessage message;
        std::int64_t timeAtDecode;
    };
    explicit RecordingReceiver(wave::Environment* const* env) : environment(env) {}
    void receiveMidi(const MidiMessage& m) override { entries.push_back({m, (*environment)->getCurrentTime()}); }
    wave::Environment* const* environment;
    std::vector<Entry> entries;
};

class TestPlugin : public GenericPlugin {
public:
    struct TestChannel : GenericPlugin::Channel {
        explicit TestChannel(GenericPlugin& p) : Channel(p), gain(p.getEnvironment()) {
            gain.setInput(&mainInput());
            setOutput(&gain);
        }
        void parameterChanged(int index) override { changes.push_back(index); }
        GainStage gain;
        std::vector<int> changes;
    };

    explicit TestPlugin(int channels = 2, int numParams = 4) : GenericPlugin(channels, {.name = "Test", .pluginId = "Test"}) {
        for (int i = 0; i < numParams; ++i)
            params.push_back(std::make_unique<TestParameter>(this, std::string("P").append(std::to_string(i))));
        midi = std::make_unique<TestParameter>(this, "Receive MIDI", 0, 1);
        setMidiParameter(midi.get());
        init();
        envPointer = &getEnvironment();
        for (int c = 0; c < channels; ++c) channels_.push_back(std::make_unique<TestChannel>(*this));
    }
    void setTestLatency(int l) { setLatency(l); }
    std::unique_ptr<MidiMessageReceiver> createEventReceiver() override {
        auto r = std::make_unique<RecordingReceiver>(&envPointer);
        receiver = r.get();
        return r;
    }
    void noteOff(int key, float) override { noteOffs.push_back(key); }

    std::vector<std::unique_ptr<TestParameter>> params;
    std::unique_ptr<TestParameter> midi;
    std::vector<std::unique_ptr<TestChannel>> channels_;
    RecordingReceiver* receiver = nullptr;
    wave::Environment* envPointer = nullptr;
    std::vector<int> noteOffs;
};
