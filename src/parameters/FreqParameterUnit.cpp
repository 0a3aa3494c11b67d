#include "parameters/FreqParameterUnit.h"

#include "parameters/ParameterText.h"

FreqParameterUnit::FreqParameterUnit()
    : FloatPluginParameterUnit({{"Hz", 1.0f, nullptr}, {"kHz", 1000.0f, nullptr}, {"k", 1000.0f, nullptr}}) {}

const FreqParameterUnit& FreqParameterUnit::instance() {
    static const FreqParameterUnit unit;
    return unit;
}

void FreqParameterUnit::apply(ParameterDisplay& display) const {
    display.formatter = [](float d) { return formatFrequency(d); };
}
