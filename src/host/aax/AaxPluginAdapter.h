#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "host/aax/AaxRenderContext.h"
#include "host/aax/sdk/AAX_CEffectParameters.h"
#include "product/KestrumPlugin.h"

// The parameters object of one host instance: creates the product at initialisation, exposes
// every plug-in parameter as a host parameter (id = the parameter's index as a decimal string)
// plus the host's master bypass, saves and restores the two state chunks, and renders audio,
// MIDI and transport through the framework.
//
// Threads: initialisation, parameters, chunks and custom data on the host's non-audio threads;
// render() on the host's audio thread, where nothing allocates, locks or waits.
class AaxPluginAdapter final : public AAX_CEffectParameters, public GenericPlugin::Adapter {
public:
    static constexpr const char* kClassId = "com.zelvatrix.Kestrum.EffectParameters";
    static constexpr AAX_FourCC kControlsChunkId = AAX_FourCCFrom("elck");
    static constexpr const char* kControlsChunkName = "Complete Controls State";
    static constexpr AAX_FourCC kPresetNameChunkId = AAX_FourCCFrom("ZXPr");
    static constexpr const char* kPresetNameChunkName = "Zelvatrix Preset Name";
    static constexpr uint32_t kPresetNameChunkSize = 124;
    static constexpr uint32_t kPresetNameField = 64;  // bytes of the name, NUL-padded
    static constexpr int kPresetNameKept = 63;        // characters a restored name keeps
    static constexpr const char* kMasterBypassName = "Master Bypass";
    // Host automation is compared in this many steps across a continuous parameter's range.
    static constexpr double kAutomationSteps = 35999.0;
    static constexpr int32_t kContinuousSteps = 36000;
    // Ticks of the host's transport to beats.
    static constexpr double kTicksToBeats = 2.604166666666667e-7;
    // Custom data index 0: the plug-in pointer.
    static constexpr int32_t kPluginPointerRequest = 0;

    AaxPluginAdapter() = default;

    // The class factory's entry.
    static IACFUnknown* create();
    // The render callback for a batch of instances, in order (audio thread).
    static void renderCallback(const AAX_Context* contexts, int32_t count);

    // Null before initialisation.
    KestrumPlugin* plugin() const { return plugin_.get(); }
    bool isMonoToStereo() const { return monoToStereo_; }

    AAX_Result uninitialize() override;
    AAX_Result getNumberOfChunks(int32_t* count) const override;
    AAX_Result getChunkIdFromIndex(int32_t index, AAX_FourCC* id) const override;
    AAX_Result getChunkSize(AAX_FourCC id, uint32_t* size) override;
    AAX_Result getChunk(AAX_FourCC id, AAX_Chunk* chunk) override;
    AAX_Result setChunk(AAX_FourCC id, const AAX_Chunk* chunk) override;
    AAX_Result compareActiveChunk(const AAX_Chunk* chunk, bool* equal) override;
    AAX_Result resetFieldData(AAX_Field field, void* data, uint32_t size) const override;
    AAX_Result getCustomData(int32_t index, uint32_t size, void* data, uint32_t* written) override;

    // GenericPlugin::Adapter (the thread that changed the value).
    void latencyChanged() override;
    void parameterChanged(int index) override;
    void presetChanged() override {}

    // Audio thread: one instance's buffer.
    void render(const AaxRenderContext& context);

    // The plug-in parameter index a host id names, or -1 ("MasterBypassID", junk, out of range).
    int pluginIndexOf(const std::string& id) const;

protected:
    ~AaxPluginAdapter() override;

    AAX_Result effectInit() override;
    AAX_Result updateParameterNormalizedValue(const std::string& id, double value, AAX_UpdateSource source) override;

private:
    AAX_Result createHostParameters();
    // The host value that mirrors plug-in parameter i (stepped values count from 0).
    double hostValueOf(int index) const;
    uint32_t buildControlsChunk();
    static std::string storedPresetName(const AAX_Chunk& chunk, size_t maxCharacters);

    std::unique_ptr<KestrumPlugin> plugin_;
    bool monoToStereo_ = false;
    int inputChannels_ = 2;
    bool sideChainEnabled_ = false;
    AAX_ITransport* transport_ = nullptr;
    uint32_t controlsChunkSize_ = 0;
    std::vector<AAX_CParameter*> hostParameters_;  // by plug-in parameter index
    const float* inputs_[4] = {nullptr, nullptr, nullptr, nullptr};
};
