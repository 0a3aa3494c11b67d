#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Percentages, printed with three significant decimals ("*3f").
class PercentParameterUnit : public FloatPluginParameterUnit {
public:
    static const PercentParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    PercentParameterUnit();
};
