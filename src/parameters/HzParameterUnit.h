#pragma once
#include "parameters/FreqParameterUnit.h"

// Frequencies in Hz (used for rates such as LFO frequencies); behaves as FreqParameterUnit.
class HzParameterUnit : public FreqParameterUnit {
public:
    static const HzParameterUnit& instance();

protected:
    HzParameterUnit();
};
