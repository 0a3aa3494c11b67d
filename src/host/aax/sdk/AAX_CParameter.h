#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_IDisplayDelegate.h"
#include "host/aax/sdk/AAX_ITaperDelegate.h"

// One host parameter: an id, a name, a value of its type kept as its real value (so float, integer
// and boolean values survive exactly), a taper to the host's normalized scale and a display.
//
// Threads: the host's and the plug-in's parameter threads; never read on the audio thread (values
// reach it through packets).
class AAX_CParameter {
public:
    AAX_CParameter(std::string id, std::string name, AAX_ParameterType type, double defaultValue,
                   std::unique_ptr<AAX_ITaperDelegate> taper, std::unique_ptr<AAX_IDisplayDelegate> display,
                   bool automatable);

    const std::string& id() const { return id_; }
    const std::string& name() const { return name_; }
    AAX_ParameterType type() const { return type_; }
    bool isAutomatable() const { return automatable_; }

    // Steps the host offers across the range, and whether the value moves in steps.
    void setNumberOfSteps(int32_t steps) { steps_ = steps; }
    int32_t numberOfSteps() const { return steps_; }
    void setDiscrete(bool discrete) { discrete_ = discrete; }
    bool isDiscrete() const { return discrete_; }

    double value() const { return value_; }
    double defaultValue() const { return defaultValue_; }
    double normalizedValue() const { return taper_->realToNormalized(value_); }
    double defaultNormalizedValue() const { return taper_->realToNormalized(defaultValue_); }
    // Store a value through the taper's limits; a non-finite value changes nothing (false).
    bool setValue(double value);
    bool setNormalizedValue(double normalized);

    std::string valueString(double normalized) const { return display_->valueToString(taper_->normalizedToReal(normalized)); }
    // False for text that gives no value.
    bool normalizedFromString(const std::string& text, double& normalized) const;

private:
    double stored(double value) const;

    std::string id_;
    std::string name_;
    AAX_ParameterType type_;
    double defaultValue_;
    double value_;
    std::unique_ptr<AAX_ITaperDelegate> taper_;
    std::unique_ptr<AAX_IDisplayDelegate> display_;
    bool automatable_;
    int32_t steps_ = 0;
    bool discrete_ = false;
};
