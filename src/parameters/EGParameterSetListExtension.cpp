#include "parameters/EGParameterSetListExtension.h"

#include <memory>
#include <string>

#include "parameters/EGParameterSetList.h"

EGParameterSetListExtension::EGParameterSetListExtension(GenericParameterOwner* owner,
                                                         AbstractModulationOwner* modulation) {
    for (int k = 0; k < EGParameterSetList::kNumEGs; ++k) {
        add(std::make_unique<EGParameterSetExtension>(owner, "EG " + std::to_string(k + 1), modulation, k));
    }
}
