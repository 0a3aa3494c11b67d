#include "parameters/SecParameterUnit.h"

SecParameterUnit::SecParameterUnit()
    : FloatPluginParameterUnit({{"sec", 1.0f, nullptr}, {"s", 1.0f, nullptr}, {"ms", 0.001f, nullptr}}) {}

const SecParameterUnit& SecParameterUnit::instance() {
    static const SecParameterUnit unit;
    return unit;
}
