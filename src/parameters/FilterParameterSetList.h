#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/FilterParameterSet.h"
#include "parameters/TargetParameterSetList.h"

// "Filters": four filter sets "Filter 1".."Filter 4", at least one active (default 1). Filter k
// owns the modulation targets 4k .. 4k + 3.
class FilterParameterSetList : public TargetParameterSetList<FilterParameterSet> {
public:
    static constexpr int kNumFilters = ModulationNumbering::kNumFilters;

    FilterParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
