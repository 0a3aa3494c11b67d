#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Frequencies in Hz; "kHz" and "k" multiply by 1000. Prints with the frequency formatter.
class FreqParameterUnit : public FloatPluginParameterUnit {
public:
    static const FreqParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    FreqParameterUnit();
};
