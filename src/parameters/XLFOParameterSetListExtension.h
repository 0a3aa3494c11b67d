#pragma once
#include "parameters/ParameterSetArray.h"
#include "parameters/XLFOParameterSetExtension.h"

// The six XLFO extension sets, named like their XLFOs; set k follows XLFO k through list removals.
class XLFOParameterSetListExtension : public ParameterSetArray<XLFOParameterSetExtension> {
public:
    XLFOParameterSetListExtension(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
