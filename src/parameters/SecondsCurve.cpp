#include "parameters/SecondsCurve.h"

#include "parameters/SecParameterUnit.h"

void setSecondsOnCurve(FloatPluginParameter& parameter, const PiecewiseLinearCurve& curve,
                       const PiecewiseLinearCurve& inverse, float lo, float hi) {
    parameter.setRange(0.0f, 1.0f, 0.0f);
    PiecewiseLinearCurve::install(parameter.getDisplay(), curve, inverse);
    parameter.setDisplayRange(lo, hi);
    parameter.setUnit(SecParameterUnit::instance());
}
