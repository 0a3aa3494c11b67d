#include "parameters/FloatParamPluginParameter.h"

#include <algorithm>
#include <cmath>


FloatParamPluginParameter::FloatParamPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
    : FloatPluginParameter(owner_, name_) {}

void FloatParamPluginParameter::bind(SmoothedValueTarget* source) {
    if (source && std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

void FloatParamPluginParameter::unbind(SmoothedValueTarget* source) {
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

void FloatParamPluginParameter::applyValue(float v) {
    const float w = appliedValue(v);
    if (!std::isfinite(w)) return;
    for (SmoothedValueTarget* source : sources) source->glideTo(w);
}
