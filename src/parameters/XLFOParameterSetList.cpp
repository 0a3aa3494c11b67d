#include "parameters/XLFOParameterSetList.h"

#include <memory>
#include <string>

XLFOParameterSetList::XLFOParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<XLFOParameterSet>(owner, "XLFOs", 0, kNumXLFOs, 0, modulation,
                                               XLFOParameterSet::kFirstTarget, XLFOParameterSet::kTargetsPerXLFO,
                                               kFirstSource, 1) {
    for (int k = 0; k < kNumXLFOs; ++k) {
        add(std::make_unique<XLFOParameterSet>(owner, "XLFO " + std::to_string(k + 1), modulation, k));
    }
}
