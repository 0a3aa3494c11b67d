#pragma once
// A small host for the adapter: it loads the module as a DAW does, records what the module
// describes, and runs instances with a controller, a transport and render contexts of its own.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/aax/sdk/AAX_ICollection.h"
#include "host/aax/sdk/AAX_IEffectParameters.h"
#include "host/aax/sdk/AAX_Module.h"

namespace aaxhost {

class PropertyMap final : public AAX_IPropertyMap {
public:
    void addProperty(int32_t id, int64_t value) override { values[id] = value; }
    bool getProperty(int32_t id, int64_t* value) const override;
    std::map<int32_t, int64_t> values;
};

// What a component described about one render-context field.
struct FieldInfo {
    std::string kind;  // "audioIn", "audioOut", "length", "rate", "sideChain", "midi", "data", "private"
    uint32_t size = 0;
    int32_t midiType = -1;
    std::string midiName;
    uint32_t midiMask = 0;
};

class Component final : public AAX_IComponentDescriptor {
public:
    AAX_Result addAudioIn(AAX_Field f) override { return add(f, field("audioIn")); }
    AAX_Result addAudioOut(AAX_Field f) override { return add(f, field("audioOut")); }
    AAX_Result addAudioBufferLength(AAX_Field f) override { return add(f, field("length")); }
    AAX_Result addSampleRate(AAX_Field f) override { return add(f, field("rate")); }
    AAX_Result addSideChainIn(AAX_Field f) override { return add(f, field("sideChain")); }
    AAX_Result addMidiNode(AAX_Field f, AAX_MidiNodeType type, const char* name, uint32_t mask) override;
    AAX_Result addDataInPort(AAX_Field f, uint32_t size) override { return add(f, field("data", size)); }
    AAX_Result addPrivateData(AAX_Field f, uint32_t size) override { return add(f, field("private", size)); }
    AAX_IPropertyMap* newPropertyMap() override;
    AAX_Result addProcessProc(AAX_RenderCallback callback, AAX_IPropertyMap* properties) override;

    std::map<AAX_Field, FieldInfo> fields;
    AAX_RenderCallback render = nullptr;
    PropertyMap* properties = nullptr;
    std::vector<std::unique_ptr<PropertyMap>> maps;

private:
    static FieldInfo field(const char* kind, uint32_t size = 0) {
        FieldInfo info;
        info.kind = kind;
        info.size = size;
        return info;
    }
    AAX_Result add(AAX_Field f, FieldInfo info);
};

class Effect final : public AAX_IEffectDescriptor {
public:
    AAX_Result addName(const char* name) override;
    AAX_Result addCategory(uint32_t category) override;
    AAX_Result addResourceInfo(AAX_ResourceKind kind, const char* file) override;
    AAX_Result addClassFactory(AAX_ClassKind kind, const char* classId) override;
    AAX_IComponentDescriptor* newComponentDescriptor() override;
    AAX_Result addComponent(AAX_IComponentDescriptor* component) override;

    std::string id;
    std::vector<std::string> names;
    std::vector<uint32_t> categories;
    std::vector<std::string> resources;
    std::map<AAX_ClassKind, std::string> classes;
    Component* component = nullptr;
    std::vector<std::unique_ptr<Component>> components;
};

class Collection final : public AAX_ICollection {
public:
    AAX_IEffectDescriptor* newDescriptor() override;
    AAX_Result addEffect(const char* effectId, AAX_IEffectDescriptor* descriptor) override;
    AAX_Result setManufacturerName(const char* name) override;
    AAX_Result addPackageName(const char* name) override;
    AAX_Result setPackageVersion(uint32_t version) override;

    // The effects in the order they were added.
    std::vector<Effect*> effects;
    std::string manufacturer;
    std::vector<std::string> packageNames;
    uint32_t packageVersion = 0;
    // Descriptors the collection still makes; -1 for any number.
    int descriptorsLeft = -1;

private:
    std::vector<std::unique_ptr<Effect>> made_;
};

// The loaded module and its entry points.
class Module {
public:
    explicit Module(const std::string& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    ACFStartupFunction startup = nullptr;
    ACFRegisterPluginFunction registerPlugin = nullptr;
    ACFRegisterComponentFunction registerComponent = nullptr;
    ACFGetClassFactoryFunction getClassFactory = nullptr;
    ACFCanUnloadNowFunction canUnloadNow = nullptr;
    ACFShutdownFunction shutdown = nullptr;
    ACFGetSDKVersionFunction getSDKVersion = nullptr;

private:
    void* handle_ = nullptr;
    std::string error_;
};

class Transport final : public AAX_ITransport {
public:
    AAX_Result getCurrentTempo(double* bpm) const override;
    AAX_Result getCurrentTickPosition(int64_t* ticks) const override;
    AAX_Result isTransportPlaying(bool* playing) const override;
    double tempo = 120.0;
    int64_t ticks = 0;
    bool playing = false;
};

// One instance of an effect: its controller, its render context and the storage behind it.
class Instance final : public AAX_IController, public AAX_IAutomationDelegate {
public:
    // Creates the parameters object of `effect` through the module's class factory; stems are
    // taken from the effect's properties unless given.
    Instance(const Module& module, const Effect& effect, float sampleRate = 48000.0f, int32_t inputStem = 0, int32_t outputStem = 0);
    // The same over an object made in-process.
    Instance(IACFUnknown* object, const Effect& effect, float sampleRate = 48000.0f, int32_t inputStem = 0, int32_t outputStem = 0);
    ~Instance() override;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // Runs initialize(); the reset field is set up as the host does for a new instance.
    AAX_Result initialize();
    AAX_IEffectParameters& parameters() { return *parameters_; }
    void setMidi(std::vector<AAX_MidiPacket> packets) { packets_ = std::move(packets); }
    bool created() const { return parameters_ != nullptr; }
    int inputChannels() const { return inputChannels_; }
    int outputChannels() const { return outputChannels_; }

    // One host buffer: inputs (one vector per input channel, side chain last), MIDI packets.
    // Returns the outputs.
    std::vector<std::vector<float>> process(const std::vector<std::vector<float>>& inputs,
                                            const std::vector<AAX_MidiPacket>& midi = {}, int32_t sideChainIndex = -1);
    // The same into storage prepared for `frames`, so repeated calls allocate nothing.
    void prepare(int frames);
    void processPrepared(int frames);
    std::vector<std::vector<float>>& preparedInputs() { return inputs_; }
    std::vector<std::vector<float>>& preparedOutputs() { return outputs_; }

    // The host asks for a reset (re-initialises the private field).
    void requestReset();

    // Chunk helpers: the size query, then the read.
    AAX_Result saveChunk(AAX_FourCC id, std::vector<uint8_t>& data, AAX_Chunk* header = nullptr);
    AAX_Result restoreChunk(AAX_FourCC id, std::vector<uint8_t> data);
    double normalized(const std::string& id);

    // AAX_IController
    AAX_Result getSampleRate(float* rate) const override;
    AAX_Result getInputStemFormat(int32_t* format) const override;
    AAX_Result getOutputStemFormat(int32_t* format) const override;
    AAX_Result setSignalLatency(int32_t samples) override;
    AAX_Result postPacket(AAX_Field field, const void* data, uint32_t size) override;
    AAX_ITransport* getTransport() override { return controllerTransport; }
    AAX_IAutomationDelegate* getAutomationDelegate() override { return this; }
    // AAX_IAutomationDelegate
    AAX_Result parameterChangedByPlugIn(const char* id, double normalizedValue) override;

    float sampleRate;
    int32_t inputStem;
    int32_t outputStem;
    int32_t latency = -1;
    bool refusePackets = false;
    AAX_ITransport* controllerTransport = nullptr;  // what getTransport() answers
    AAX_ITransport* nodeTransport = nullptr;        // what the transport node carries
    std::map<std::string, double> automation;       // the last value the plug-in reported per id
    int automationCalls = 0;

private:
    const Effect& effect_;
    AAX_IEffectParameters* parameters_ = nullptr;
    int inputChannels_;
    int outputChannels_;
    std::map<AAX_Field, std::vector<uint8_t>> storage_;
    void* fields_[16] = {};
    std::vector<std::vector<float>> inputs_;
    std::vector<std::vector<float>> outputs_;
    std::vector<const float*> inputPointers_;
    std::vector<float*> outputPointers_;
    int32_t length_ = 0;
    int32_t sideChain_ = -1;
    float rate_ = 0.0f;
    AAX_MidiStream stream_;
    std::vector<AAX_MidiPacket> packets_;
};

}  // namespace aaxhost
