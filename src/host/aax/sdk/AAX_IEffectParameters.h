#pragma once
#include <cstdint>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_Chunk.h"
#include "host/aax/sdk/AAX_Context.h"
#include "host/aax/sdk/AAX_IController.h"
#include "host/aax/sdk/IACFUnknown.h"

// The parameters object of an instance as the host sees it: parameters, state chunks, the
// render context's fields and custom data. Text comes back in host buffers of `capacity` bytes,
// cut to fit and always NUL-terminated. Every operation runs on one of the host's non-audio
// threads; none of them may be called while initialize() has not succeeded, except initialize().
class AAX_IEffectParameters : public virtual IACFUnknown {
public:
    virtual AAX_Result initialize(AAX_IController* controller) = 0;
    virtual AAX_Result uninitialize() = 0;

    virtual AAX_Result getNumberOfParameters(int32_t* count) const = 0;
    virtual AAX_Result getParameterIdFromIndex(int32_t index, char* id, int32_t capacity) const = 0;
    virtual AAX_Result getParameterName(const char* id, char* name, int32_t capacity) const = 0;
    virtual AAX_Result getParameterType(const char* id, AAX_ParameterType* type) const = 0;
    virtual AAX_Result getParameterNumberOfSteps(const char* id, int32_t* steps) const = 0;
    virtual AAX_Result getParameterIsDiscrete(const char* id, bool* discrete) const = 0;
    virtual AAX_Result getParameterIsAutomatable(const char* id, bool* automatable) const = 0;
    virtual AAX_Result getParameterNormalizedValue(const char* id, double* value) const = 0;
    virtual AAX_Result getParameterDefaultNormalizedValue(const char* id, double* value) const = 0;
    // The host sets a parameter (automation, its own control, a restored project).
    virtual AAX_Result setParameterNormalizedValue(const char* id, double value, AAX_UpdateSource source) = 0;
    virtual AAX_Result getParameterValueString(const char* id, double normalized, char* text, int32_t capacity) const = 0;
    virtual AAX_Result getParameterValueFromString(const char* id, const char* text, double* normalized) const = 0;

    virtual AAX_Result getNumberOfChunks(int32_t* count) const = 0;
    virtual AAX_Result getChunkIdFromIndex(int32_t index, AAX_FourCC* id) const = 0;
    virtual AAX_Result getChunkSize(AAX_FourCC id, uint32_t* size) = 0;
    virtual AAX_Result getChunk(AAX_FourCC id, AAX_Chunk* chunk) = 0;
    virtual AAX_Result setChunk(AAX_FourCC id, const AAX_Chunk* chunk) = 0;
    virtual AAX_Result compareActiveChunk(const AAX_Chunk* chunk, bool* equal) = 0;

    // The host (re)initialises a private-data field of the render context.
    virtual AAX_Result resetFieldData(AAX_Field field, void* data, uint32_t size) const = 0;
    // Data the plug-in hands to its other objects (the editor); writes at most `size` bytes.
    virtual AAX_Result getCustomData(int32_t index, uint32_t size, void* data, uint32_t* written) = 0;
};
