#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/EFParameterSet.h"
#include "parameters/SourceParameterSetList.h"

// "EFs": four envelope follower sets "EF 1".."EF 4", none active by default. EF k is the
// modulation source 20 + k and owns the targets 76 + 2k and 77 + 2k.
class EFParameterSetList : public SourceParameterSetList<EFParameterSet> {
public:
    static constexpr int kNumEFs = ModulationNumbering::kNumEFs;
    static constexpr int kFirstSource = ModulationNumbering::firstSource(ModulationNumbering::kEFSources);

    EFParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
