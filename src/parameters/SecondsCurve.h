#pragma once
#include "parameters/FloatPluginParameter.h"
#include "parameters/PiecewiseLinearCurve.h"

// Configures a 0..1 parameter (default 0) that shows seconds from lo to hi along a curve: the
// envelope times, holds and delays.
void setSecondsOnCurve(FloatPluginParameter& parameter, const PiecewiseLinearCurve& curve,
                       const PiecewiseLinearCurve& inverse, float lo, float hi);
