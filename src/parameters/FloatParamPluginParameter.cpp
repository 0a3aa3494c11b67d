#include "parameters/FloatParamPluginParameter.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/FloatParameterSource.h"

FloatParamPluginParameter::FloatParamPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
    : FloatPluginParameter(owner_, name_) {}

void FloatParamPluginParameter::bind(wave::FloatParameterSource* source) {
    if (source && std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

void FloatParamPluginParameter::unbind(wave::FloatParameterSource* source) {
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

void FloatParamPluginParameter::applyValue(float v) {
    const float w = appliedValue(v);
    if (!std::isfinite(w)) return;
    for (wave::FloatParameterSource* source : sources) source->setTarget(w);
}
