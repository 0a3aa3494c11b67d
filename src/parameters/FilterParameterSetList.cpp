#include "parameters/FilterParameterSetList.h"

#include <memory>
#include <string>

FilterParameterSetList::FilterParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : TargetParameterSetList<FilterParameterSet>(owner, "Filters", 1, kNumFilters, 1, modulation,
                                                 ModulationNumbering::firstTarget(ModulationNumbering::kFilterTargets),
                                                 ModulationNumbering::members(ModulationNumbering::kFilterTargets)) {
    for (int k = 0; k < kNumFilters; ++k) {
        add(std::make_unique<FilterParameterSet>(owner, "Filter " + std::to_string(k + 1), modulation, k));
    }
}
