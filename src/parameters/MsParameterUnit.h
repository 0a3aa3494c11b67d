#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Milliseconds; "sec" and "s" multiply by 1000.
class MsParameterUnit : public FloatPluginParameterUnit {
public:
    static const MsParameterUnit& instance();

protected:
    MsParameterUnit();
};
