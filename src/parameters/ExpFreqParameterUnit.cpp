#include "parameters/ExpFreqParameterUnit.h"

#include <cmath>

ExpFreqParameterUnit::ExpFreqParameterUnit() = default;

const ExpFreqParameterUnit& ExpFreqParameterUnit::instance() {
    static const ExpFreqParameterUnit unit;
    return unit;
}

void ExpFreqParameterUnit::apply(ParameterDisplay& display) const {
    FreqParameterUnit::apply(display);
    display.toDisplay = [](float x) { return std::exp2(x); };
    display.fromDisplay = [](float x) { return std::log2(x); };
}
