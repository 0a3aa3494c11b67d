#pragma once
#include "parameters/SourceParameterSetList.h"
#include "parameters/XYParameterSet.h"

// "XY Controllers": four XY sets "XY Controller 1".."XY Controller 4", none active by default.
// XY controller k is the pair of modulation sources 2k (Hor) and 2k + 1 (Ver); it has no targets.
class XYParameterSetList : public SourceParameterSetList<XYParameterSet> {
public:
    static constexpr int kNumXYControllers = 4;
    static constexpr int kFirstSource = 0;
    static constexpr int kSourcesPerController = 2;

    XYParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
