#pragma once
#include "parameters/EGParameterSetExtension.h"
#include "parameters/ParameterSetArray.h"

// The six envelope generator extension sets, named like their generators.
class EGParameterSetListExtension : public ParameterSetArray<EGParameterSetExtension> {
public:
    EGParameterSetListExtension(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
