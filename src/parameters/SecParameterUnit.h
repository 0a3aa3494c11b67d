#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Seconds; "ms" multiplies by 0.001.
class SecParameterUnit : public FloatPluginParameterUnit {
public:
    static const SecParameterUnit& instance();

protected:
    SecParameterUnit();
};
