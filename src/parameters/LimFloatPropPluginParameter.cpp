#include "parameters/LimFloatPropPluginParameter.h"

LimFloatPropPluginParameter::LimFloatPropPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
    : GenericPropPluginParameter<LimitedProperty<float>, FloatPluginParameter>(owner_, name_) {}
