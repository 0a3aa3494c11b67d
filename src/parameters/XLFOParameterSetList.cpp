#include "parameters/XLFOParameterSetList.h"

#include <memory>
#include <string>

XLFOParameterSetList::XLFOParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<XLFOParameterSet>(owner, "XLFOs", 0, kNumXLFOs, 0, modulation,
                                               ModulationNumbering::firstTarget(ModulationNumbering::kXLFOTargets),
                                               ModulationNumbering::members(ModulationNumbering::kXLFOTargets),
                                               kFirstSource, 1) {
    for (int k = 0; k < kNumXLFOs; ++k) {
        add(std::make_unique<XLFOParameterSet>(owner, "XLFO " + std::to_string(k + 1), modulation, k));
    }
}
