#include "parameters/DBParameterUnitBase.h"

#include "parameters/ParameterText.h"

DBParameterUnitBase::DBParameterUnitBase()
    : FloatPluginParameterUnit({{"dB", 1.0f, nullptr}, {"x", 1.0f, linearToDecibels}, {"*", 1.0f, linearToDecibels}}) {}

const DBParameterUnitBase& DBParameterUnitBase::instance() {
    static const DBParameterUnitBase unit;
    return unit;
}
