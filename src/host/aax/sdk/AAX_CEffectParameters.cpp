#include "host/aax/sdk/AAX_CEffectParameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void* AAX_CEffectParameters::queryInterface(AAX_InterfaceId id) {
    switch (id) {
        case AAX_InterfaceId::Unknown: return static_cast<IACFUnknown*>(this);
        case AAX_InterfaceId::EffectParameters: return static_cast<AAX_IEffectParameters*>(this);
        default: return nullptr;
    }
}

AAX_Result AAX_CEffectParameters::initialize(AAX_IController* controller) {
    if (!controller) return AAX_ERROR_INVALID_ARGUMENT;
    if (controller_) return AAX_ERROR_INVALID_ARGUMENT;  // initialised already
    controller_ = controller;
    packetHandler_.setController(controller);
    AAX_Result result = effectInit();
    for (int i = 0; result == AAX_SUCCESS && i < parameterManager_.size(); ++i) {
        result = packetHandler_.dispatch(*parameterManager_.at(i));
    }
    if (result != AAX_SUCCESS) uninitialize();
    return result;
}

AAX_Result AAX_CEffectParameters::uninitialize() {
    parameterManager_.clear();
    packetHandler_.setController(nullptr);
    controller_ = nullptr;
    return AAX_SUCCESS;
}

bool AAX_CEffectParameters::copyText(const std::string& text, char* out, int32_t capacity) {
    if (!out || capacity <= 0) return false;
    const size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return true;
}

AAX_Result AAX_CEffectParameters::getNumberOfParameters(int32_t* count) const {
    if (!count) return AAX_ERROR_INVALID_ARGUMENT;
    *count = parameterManager_.size();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterIdFromIndex(int32_t index, char* id, int32_t capacity) const {
    const AAX_CParameter* p = parameterManager_.at(index);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    return copyText(p->id(), id, capacity) ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result AAX_CEffectParameters::getParameterName(const char* id, char* name, int32_t capacity) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    return copyText(p->name(), name, capacity) ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result AAX_CEffectParameters::getParameterType(const char* id, AAX_ParameterType* type) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!type) return AAX_ERROR_INVALID_ARGUMENT;
    *type = p->type();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterNumberOfSteps(const char* id, int32_t* steps) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!steps) return AAX_ERROR_INVALID_ARGUMENT;
    *steps = p->numberOfSteps();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterIsDiscrete(const char* id, bool* discrete) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!discrete) return AAX_ERROR_INVALID_ARGUMENT;
    *discrete = p->isDiscrete();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterIsAutomatable(const char* id, bool* automatable) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!automatable) return AAX_ERROR_INVALID_ARGUMENT;
    *automatable = p->isAutomatable();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterNormalizedValue(const char* id, double* value) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!value) return AAX_ERROR_INVALID_ARGUMENT;
    *value = p->normalizedValue();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getParameterDefaultNormalizedValue(const char* id, double* value) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!value) return AAX_ERROR_INVALID_ARGUMENT;
    *value = p->defaultNormalizedValue();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::setParameterNormalizedValue(const char* id, double value, AAX_UpdateSource source) {
    if (!lookUp(id)) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!std::isfinite(value)) return AAX_ERROR_INVALID_ARGUMENT;
    return updateParameterNormalizedValue(id, std::fmin(1.0, std::fmax(0.0, value)), source);
}

AAX_Result AAX_CEffectParameters::updateParameterNormalizedValue(const std::string& id, double value, AAX_UpdateSource) {
    AAX_CParameter* p = parameterManager_.find(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!p->setNormalizedValue(value)) return AAX_ERROR_INVALID_ARGUMENT;
    return packetHandler_.dispatch(*p);
}

AAX_Result AAX_CEffectParameters::setValueFromPlugIn(AAX_CParameter& parameter, double value) {
    if (!parameter.setValue(value)) return AAX_ERROR_INVALID_ARGUMENT;
    AAX_Result result = packetHandler_.dispatch(parameter);
    AAX_IAutomationDelegate* automation = controller_ ? controller_->getAutomationDelegate() : nullptr;
    if (automation) automation->parameterChangedByPlugIn(parameter.id().c_str(), parameter.normalizedValue());
    return result;
}

AAX_Result AAX_CEffectParameters::getParameterValueString(const char* id, double normalized, char* text, int32_t capacity) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!std::isfinite(normalized)) return AAX_ERROR_INVALID_ARGUMENT;
    return copyText(p->valueString(std::fmin(1.0, std::fmax(0.0, normalized))), text, capacity) ? AAX_SUCCESS
                                                                                                 : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result AAX_CEffectParameters::getParameterValueFromString(const char* id, const char* text, double* normalized) const {
    const AAX_CParameter* p = lookUp(id);
    if (!p) return AAX_ERROR_UNKNOWN_PARAMETER;
    if (!text || !normalized) return AAX_ERROR_INVALID_ARGUMENT;
    return p->normalizedFromString(text, *normalized) ? AAX_SUCCESS : AAX_ERROR_INVALID_ARGUMENT;
}

bool AAX_CEffectParameters::isFilteredFromControlsChunk(const AAX_CParameter& parameter) const {
    return parameter.id() == AAX_MASTER_BYPASS_ID;
}

AAX_Result AAX_CEffectParameters::getNumberOfChunks(int32_t* count) const {
    if (!count) return AAX_ERROR_INVALID_ARGUMENT;
    *count = 0;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getChunkIdFromIndex(int32_t, AAX_FourCC*) const { return AAX_ERROR_UNKNOWN_CHUNK_INDEX; }
AAX_Result AAX_CEffectParameters::getChunkSize(AAX_FourCC, uint32_t*) { return AAX_ERROR_UNKNOWN_CHUNK_ID; }
AAX_Result AAX_CEffectParameters::getChunk(AAX_FourCC, AAX_Chunk*) { return AAX_ERROR_UNKNOWN_CHUNK_ID; }
AAX_Result AAX_CEffectParameters::setChunk(AAX_FourCC, const AAX_Chunk*) { return AAX_ERROR_UNKNOWN_CHUNK_ID; }

AAX_Result AAX_CEffectParameters::compareActiveChunk(const AAX_Chunk* chunk, bool* equal) {
    if (!chunk || !equal) return AAX_ERROR_INVALID_ARGUMENT;
    *equal = true;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::resetFieldData(AAX_Field, void* data, uint32_t size) const {
    if (!data && size > 0) return AAX_ERROR_INVALID_ARGUMENT;
    if (size > 0) std::memset(data, 0, size);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::getCustomData(int32_t, uint32_t, void*, uint32_t* written) {
    if (written) *written = 0;
    return AAX_ERROR_UNSUPPORTED_REQUEST;
}
