#pragma once
#include <string>

#include "parameters/ModulationNumbering.h"
#include "parameters/LimFloatPropPluginParameter.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/ParameterEnums.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

class AbstractModulationOwner;

// The parameters of one envelope generator. EG k's Attack, Decay, Sustain and Release are the
// modulation targets 40 + 6k .. 43 + 6k (Hold and Delay, 44 + 6k and 45 + 6k, live in the
// extension set). Times run on the time curve in seconds; Sustain is a level shown in dB.
class EGParameterSet : public PluginParameterSet {
public:
    // `index` is the generator's position in its list (0..5).
    EGParameterSet(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation, int index);
    void configure() override;

    LimFloatPropPluginParameter threshold;
    PropPluginParameter<EGEnums::Triggering> triggering;
    ModulationTargetParameter attack;
    ModulationTargetParameter decay;
    ModulationTargetParameter sustain;
    ModulationTargetParameter release;
};
