#include "parameters/HzParameterUnit.h"

HzParameterUnit::HzParameterUnit() = default;

const HzParameterUnit& HzParameterUnit::instance() {
    static const HzParameterUnit unit;
    return unit;
}
