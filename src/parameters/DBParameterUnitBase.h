#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Decibels; a number followed by "x" or "*" is a linear factor and is converted to dB
// ("2x" is +6.02 dB).
class DBParameterUnitBase : public FloatPluginParameterUnit {
public:
    static const DBParameterUnitBase& instance();

protected:
    DBParameterUnitBase();
};
