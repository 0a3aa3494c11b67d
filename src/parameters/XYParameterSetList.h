#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/SourceParameterSetList.h"
#include "parameters/XYParameterSet.h"

// "XY Controllers": four XY sets "XY Controller 1".."XY Controller 4", none active by default.
// XY controller k is the pair of modulation sources 2k (Hor) and 2k + 1 (Ver); it has no targets.
class XYParameterSetList : public SourceParameterSetList<XYParameterSet> {
public:
    static constexpr int kNumXYControllers = ModulationNumbering::kNumXYControllers;
    static constexpr int kFirstSource = ModulationNumbering::firstSource(ModulationNumbering::kXYSources);
    static constexpr int kSourcesPerController = 2;

    XYParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
