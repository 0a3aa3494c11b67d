#pragma once
#include <cstdint>
#include <string>

#include "host/aax/sdk/AAX_CChunkDataParser.h"
#include "host/aax/sdk/AAX_CPacketHandler.h"
#include "host/aax/sdk/AAX_CParameterManager.h"
#include "host/aax/sdk/AAX_IEffectParameters.h"
#include "host/aax/sdk/CACFUnknown.h"

// The parameters object a plug-in derives from: it keeps the host parameters in a parameter
// manager, posts packets for parameters that feed the render context, answers the host's
// parameter queries, and leaves chunks, field data and custom data to the plug-in (none by default).
class AAX_CEffectParameters : public AAX_IEffectParameters, public CACFUnknown {
public:
    AAX_CEffectParameters() = default;

    void* queryInterface(AAX_InterfaceId id) override;

    // Stores the controller, runs effectInit() and posts every packet once, so the render
    // context starts from the parameters' values.
    AAX_Result initialize(AAX_IController* controller) override;
    AAX_Result uninitialize() override;

    AAX_Result getNumberOfParameters(int32_t* count) const override;
    AAX_Result getParameterIdFromIndex(int32_t index, char* id, int32_t capacity) const override;
    AAX_Result getParameterName(const char* id, char* name, int32_t capacity) const override;
    AAX_Result getParameterType(const char* id, AAX_ParameterType* type) const override;
    AAX_Result getParameterNumberOfSteps(const char* id, int32_t* steps) const override;
    AAX_Result getParameterIsDiscrete(const char* id, bool* discrete) const override;
    AAX_Result getParameterIsAutomatable(const char* id, bool* automatable) const override;
    AAX_Result getParameterNormalizedValue(const char* id, double* value) const override;
    AAX_Result getParameterDefaultNormalizedValue(const char* id, double* value) const override;
    // Checks the arguments and hands over to updateParameterNormalizedValue().
    AAX_Result setParameterNormalizedValue(const char* id, double value, AAX_UpdateSource source) override;
    AAX_Result getParameterValueString(const char* id, double normalized, char* text, int32_t capacity) const override;
    AAX_Result getParameterValueFromString(const char* id, const char* text, double* normalized) const override;

    AAX_Result getNumberOfChunks(int32_t* count) const override;
    AAX_Result getChunkIdFromIndex(int32_t index, AAX_FourCC* id) const override;
    AAX_Result getChunkSize(AAX_FourCC id, uint32_t* size) override;
    AAX_Result getChunk(AAX_FourCC id, AAX_Chunk* chunk) override;
    AAX_Result setChunk(AAX_FourCC id, const AAX_Chunk* chunk) override;
    AAX_Result compareActiveChunk(const AAX_Chunk* chunk, bool* equal) override;
    // Zero-fills the field.
    AAX_Result resetFieldData(AAX_Field field, void* data, uint32_t size) const override;
    AAX_Result getCustomData(int32_t index, uint32_t size, void* data, uint32_t* written) override;

protected:
    ~AAX_CEffectParameters() override = default;

    // The plug-in's own set-up, from initialize() once the controller is known.
    virtual AAX_Result effectInit() { return AAX_SUCCESS; }
    // The host's value for a parameter (id known, value finite): stores it in the host parameter
    // and posts its packet. Plug-ins extend it to apply the value to their own model first.
    virtual AAX_Result updateParameterNormalizedValue(const std::string& id, double value, AAX_UpdateSource source);
    // A value the plug-in itself set: stored, posted, and reported to the host's automation.
    AAX_Result setValueFromPlugIn(AAX_CParameter& parameter, double value);
    // Parameters the standard controls chunk leaves out: the host's master bypass.
    virtual bool isFilteredFromControlsChunk(const AAX_CParameter& parameter) const;

    // Copies text into a host buffer, cut to fit; false for a missing buffer.
    static bool copyText(const std::string& text, char* out, int32_t capacity);

    AAX_IController* controller() const { return controller_; }
    AAX_CParameterManager parameterManager_;
    AAX_CPacketHandler packetHandler_;
    AAX_CChunkDataParser chunkParser_;

private:
    AAX_CParameter* lookUp(const char* id) const { return id ? parameterManager_.find(id) : nullptr; }

    AAX_IController* controller_ = nullptr;
};
