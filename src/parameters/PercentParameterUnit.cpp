#include "parameters/PercentParameterUnit.h"

PercentParameterUnit::PercentParameterUnit()
    : FloatPluginParameterUnit({{"%", 1.0f, nullptr}}) {}

const PercentParameterUnit& PercentParameterUnit::instance() {
    static const PercentParameterUnit unit;
    return unit;
}

void PercentParameterUnit::apply(ParameterDisplay& display) const {
    display.format = "*3f";
}
