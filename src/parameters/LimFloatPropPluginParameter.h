#pragma once
#include <string>

#include "parameters/FloatPluginParameter.h"
#include "parameters/GenericPropPluginParameter.h"
#include "platform/Property.h"

// A float parameter bound to LimitedProperty<float> fields: applying v sets each property to
// curve(v) * scale2 + offset2, limited to the property's own range.
class LimFloatPropPluginParameter : public GenericPropPluginParameter<LimitedProperty<float>, FloatPluginParameter> {
public:
    LimFloatPropPluginParameter(GenericParameterOwner* owner, const std::string& name);
};
