#include "parameters/ParameterDisplay.h"

#include "parameters/ParameterText.h"

ParameterDisplay::ParameterDisplay(FloatPluginParameter* owner) : parameter(owner) {}

float ParameterDisplay::valueToDisplay(float v) const {
    return call(toDisplay, (curveScaled(v) * scale1) + offset1);
}

float ParameterDisplay::displayToValue(float d) const {
    return call(curveInverse, (((call(fromDisplay, d) - offset1) / scale1) - offset2) / scale2);
}

std::string ParameterDisplay::formatDisplay(float d) const {
    std::string text = formatter ? formatter(d) : formatDefault(d, format);
    if (!label.empty()) {
        text += ' ';
        text += label;
    }
    return text;
}
