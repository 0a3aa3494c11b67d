#pragma once
#include <string>

#include "parameters/ModulationNumbering.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

class AbstractModulationOwner;

// The parameters of one envelope follower. EF k's Attack and Release are the modulation targets
// 76 + 2k and 77 + 2k, both on the time curve in seconds.
class EFParameterSet : public PluginParameterSet {
public:

    // `index` is the follower's position in its list (0..3).
    EFParameterSet(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation, int index);
    void configure() override;

    PropPluginParameter<int> input;
    ModulationTargetParameter attack;
    ModulationTargetParameter release;
};
