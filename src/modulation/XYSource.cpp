#include "modulation/XYSource.h"

#include <algorithm>
#include <cmath>

#include "parameters/FloatParamPluginParameter.h"

XYSource::XYSource(wave::Environment& environment, FloatParamPluginParameter* horizontal,
                   FloatParamPluginParameter* vertical)
    : horizontal_(environment, 0.0f),
      vertical_(environment, 0.0f),
      horizontalParameter_(horizontal),
      verticalParameter_(vertical) {
    prepare(horizontal_, horizontal);
    prepare(vertical_, vertical);
}

XYSource::~XYSource() {
    if (horizontalParameter_) horizontalParameter_->unbind(&horizontal_);
    if (verticalParameter_) verticalParameter_->unbind(&vertical_);
}

void XYSource::prepare(wave::FloatParameterSource& ramp, FloatParamPluginParameter* parameter) {
    ramp.ramp().setLimits(-1.0f, 1.0f);
    if (!parameter) return;
    parameter->bind(&ramp);
    const float position = parameter->appliedValue(parameter->getValue());
    if (std::isfinite(position)) ramp.setTarget(position, 0.0f);
}

float XYSource::displayValue(int axis) const {
    return std::clamp((output(axis).getTarget() + 1.0f) * 0.5f, 0.0f, 1.0f);
}
