#pragma once
#include <cmath>
#include <string>
#include <type_traits>

#include "host/aax/sdk/AAX_IDisplayDelegate.h"
#include "parameters/AbstractPluginParameter.h"

// A host display that forwards to the plug-in parameter's text: the same words, units and
// typed-text parsing as the editor. For integer host values (a stepped parameter's index counted
// from 0) the parameter's minimum is added before formatting and taken off after parsing.
template <class T>
class ParamDisplayDelegate final : public AAX_IDisplayDelegate {
public:
    explicit ParamDisplayDelegate(AbstractPluginParameter& parameter)
        : parameter_(parameter), offset_(std::is_integral_v<T> ? parameter.getMinimum() : 0.0f) {}

    std::string valueToString(double value) const override {
        return parameter_.formatValue(static_cast<float>(static_cast<T>(value) + offset_));
    }
    bool stringToValue(const std::string& text, double& value) const override {
        float parsed = 0.0f;
        if (!parameter_.parseText(text, parsed) || !std::isfinite(parsed)) return false;
        value = std::is_integral_v<T> ? std::round(parsed - offset_) : static_cast<double>(parsed);
        return true;
    }

private:
    AbstractPluginParameter& parameter_;
    float offset_;
};
