#include "parameters/XYParameterSetList.h"

#include <memory>
#include <string>

XYParameterSetList::XYParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<XYParameterSet>(owner, "XY Controllers", 0, kNumXYControllers, 0, modulation, 0, 0,
                                             kFirstSource, kSourcesPerController) {
    for (int k = 0; k < kNumXYControllers; ++k) {
        add(std::make_unique<XYParameterSet>(owner, "XY Controller " + std::to_string(k + 1)));
    }
}
