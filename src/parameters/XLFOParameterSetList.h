#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/SourceParameterSetList.h"
#include "parameters/XLFOParameterSet.h"

// "XLFOs": six XLFO sets "XLFO 1".."XLFO 6", none active by default. XLFO k is the modulation
// source 8 + k and owns the targets 16 + 4k .. 19 + 4k.
class XLFOParameterSetList : public SourceParameterSetList<XLFOParameterSet> {
public:
    static constexpr int kNumXLFOs = ModulationNumbering::kNumXLFOs;
    static constexpr int kFirstSource = ModulationNumbering::firstSource(ModulationNumbering::kXLFOSources);

    XLFOParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
