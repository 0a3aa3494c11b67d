#pragma once
#include <string>

#include "parameters/ModulationTargetParameter.h"
#include "parameters/PluginParameterSet.h"

class AbstractModulationOwner;

// The envelope generator parameters created after the slots: EG k's Hold and Delay (modulation
// targets 44 + 6k and 45 + 6k), both on the delay curve in seconds.
class EGParameterSetExtension : public PluginParameterSet {
public:
    EGParameterSetExtension(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation,
                            int index);
    void configure() override;

    ModulationTargetParameter hold;
    ModulationTargetParameter delay;
};
