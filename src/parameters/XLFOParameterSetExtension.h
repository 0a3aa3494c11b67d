#pragma once
#include <string>

#include "parameters/ModulationTargetParameter.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

class AbstractModulationOwner;

// The XLFO parameters created after the slots: XLFO k's Phase Offset (modulation target
// 19 + 4k) and its Snap switch.
class XLFOParameterSetExtension : public PluginParameterSet {
public:
    XLFOParameterSetExtension(GenericParameterOwner* owner, const std::string& name,
                              AbstractModulationOwner* modulation, int index);
    void configure() override;

    ModulationTargetParameter phaseOffset;
    PropPluginParameter<bool> snap;
};
