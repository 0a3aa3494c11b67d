#include "parameters/DBRangeParameterUnit.h"

DBRangeParameterUnit::DBRangeParameterUnit() = default;

const DBRangeParameterUnit& DBRangeParameterUnit::instance() {
    static const DBRangeParameterUnit unit;
    return unit;
}

void DBRangeParameterUnit::apply(ParameterDisplay& display) const {
    display.format = "%.2f";
}
