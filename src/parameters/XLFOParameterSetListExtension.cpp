#include "parameters/XLFOParameterSetListExtension.h"

#include <memory>
#include <string>

#include "parameters/XLFOParameterSetList.h"

XLFOParameterSetListExtension::XLFOParameterSetListExtension(GenericParameterOwner* owner,
                                                             AbstractModulationOwner* modulation) {
    for (int k = 0; k < XLFOParameterSetList::kNumXLFOs; ++k) {
        add(std::make_unique<XLFOParameterSetExtension>(owner, "XLFO " + std::to_string(k + 1), modulation, k));
    }
}
