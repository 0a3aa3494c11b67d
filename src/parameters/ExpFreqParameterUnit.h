#pragma once
#include "parameters/FreqParameterUnit.h"

// Frequencies held as log2 of Hz: the display is 2^x Hz, typed Hz go back through log2.
class ExpFreqParameterUnit : public FreqParameterUnit {
public:
    static const ExpFreqParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    ExpFreqParameterUnit();
};
