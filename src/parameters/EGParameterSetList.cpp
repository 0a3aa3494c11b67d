#include "parameters/EGParameterSetList.h"

#include <memory>
#include <string>

EGParameterSetList::EGParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<EGParameterSet>(owner, "EGs", 0, kNumEGs, 0, modulation, 
                                             ModulationNumbering::firstTarget(ModulationNumbering::kEGTargets),
                                             ModulationNumbering::members(ModulationNumbering::kEGTargets), kFirstSource, 1) {
    for (int k = 0; k < kNumEGs; ++k) {
        add(std::make_unique<EGParameterSet>(owner, "EG " + std::to_string(k + 1), modulation, k));
    }
}
