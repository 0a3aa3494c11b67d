#pragma once
#include <algorithm>
#include <cmath>

#include "host/aax/sdk/AAX_ITaperDelegate.h"
#include "parameters/AbstractPluginParameter.h"

// A host taper that forwards to the plug-in parameter's own curve, so the host's normalized
// scale is the one presets, MIDI and the editor use. T is the type the parameter's value has.
template <class T>
class ParamTaperDelegate final : public AAX_ITaperDelegate {
public:
    explicit ParamTaperDelegate(AbstractPluginParameter& parameter) : parameter_(parameter) {}

    double getMinimum() const override { return parameter_.getMinimum(); }
    double getMaximum() const override { return parameter_.getMaximum(); }
    double constrain(double value) const override {
        if (std::isnan(value)) return getMinimum();
        return std::clamp(value, getMinimum(), getMaximum());
    }
    double normalizedToReal(double normalized) const override {
        if (std::isnan(normalized)) return getMinimum();
        return constrain(static_cast<T>(parameter_.denormalize(static_cast<float>(std::clamp(normalized, 0.0, 1.0)))));
    }
    double realToNormalized(double value) const override {
        return std::clamp(static_cast<double>(parameter_.normalize(static_cast<float>(constrain(value)))), 0.0, 1.0);
    }

private:
    AbstractPluginParameter& parameter_;
};
