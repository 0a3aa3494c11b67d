#include "parameters/EFParameterSetList.h"

#include <memory>
#include <string>

EFParameterSetList::EFParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<EFParameterSet>(owner, "EFs", 0, kNumEFs, 0, modulation, 
                                             ModulationNumbering::firstTarget(ModulationNumbering::kEFTargets),
                                             ModulationNumbering::members(ModulationNumbering::kEFTargets), kFirstSource, 1) {
    for (int k = 0; k < kNumEFs; ++k) {
        add(std::make_unique<EFParameterSet>(owner, "EF " + std::to_string(k + 1), modulation, k));
    }
}
