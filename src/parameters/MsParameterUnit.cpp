#include "parameters/MsParameterUnit.h"

MsParameterUnit::MsParameterUnit()
    : FloatPluginParameterUnit({{"ms", 1.0f, nullptr}, {"sec", 1000.0f, nullptr}, {"s", 1000.0f, nullptr}}) {}

const MsParameterUnit& MsParameterUnit::instance() {
    static const MsParameterUnit unit;
    return unit;
}
