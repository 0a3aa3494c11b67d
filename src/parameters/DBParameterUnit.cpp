#include "parameters/DBParameterUnit.h"

#include "parameters/ParameterText.h"

DBParameterUnit::DBParameterUnit() = default;

const DBParameterUnit& DBParameterUnit::instance() {
    static const DBParameterUnit unit;
    return unit;
}

void DBParameterUnit::apply(ParameterDisplay& display) const {
    display.formatter = [](float d) { return formatDecibels(d); };
}
