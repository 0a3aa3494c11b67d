#pragma once
#include <string>

#include "parameters/FloatParamPluginParameter.h"
#include "parameters/PluginParameterSet.h"

// The two axes of one XY controller (modulation sources 2k and 2k + 1), -1..1; each drives the
// smoothed output of its source.
class XYParameterSet : public PluginParameterSet {
public:
    XYParameterSet(GenericParameterOwner* owner, const std::string& name);
    void configure() override;

    FloatParamPluginParameter hor;
    FloatParamPluginParameter ver;
};
