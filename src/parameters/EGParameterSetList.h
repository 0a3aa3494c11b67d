#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/EGParameterSet.h"
#include "parameters/SourceParameterSetList.h"

// "EGs": six envelope generator sets "EG 1".."EG 6", none active by default. EG k is the
// modulation source 14 + k and owns the targets 40 + 6k .. 45 + 6k.
class EGParameterSetList : public SourceParameterSetList<EGParameterSet> {
public:
    static constexpr int kNumEGs = ModulationNumbering::kNumEGs;
    static constexpr int kFirstSource = ModulationNumbering::firstSource(ModulationNumbering::kEGSources);

    EGParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
