#include "parameters/ModulationTargetParameter.h"

#include <cmath>

#include "parameters/AbstractModulationOwner.h"

ModulationTargetParameter::ModulationTargetParameter(GenericParameterOwner* owner_, const std::string& name_,
                                                     AbstractModulationOwner* modulation, int target)
    : FloatPluginParameter(owner_, name_), modulation_(modulation), target_(target) {
    if (modulation_) registered_ = modulation_->registerTargetParameter(target_, this);
}

ModulationTargetParameter::~ModulationTargetParameter() {
    if (registered_) modulation_->unregisterTargetParameter(target_, this);
}

void ModulationTargetParameter::setPlainValue(float plain, int flags) {
    if (!std::isfinite(plain)) return;
    const float scale = display.scale2 != 0.0f ? display.scale2 : 1.0f;
    const float unscaled = (plain - display.offset2) / scale;
    const float v = display.curveInverse ? display.curveInverse(unscaled) : unscaled;
    setValue(v, flags);
}

void ModulationTargetParameter::applyValue(float v) {
    if (!modulation_) return;
    const float plain = appliedValue(v);
    if (std::isfinite(plain)) modulation_->targetValueApplied(target_, plain);
}
