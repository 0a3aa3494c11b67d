#include "host/aax/sdk/AAX_CParameter.h"

#include <cmath>
#include <utility>

AAX_CParameter::AAX_CParameter(std::string id, std::string name, AAX_ParameterType type, double defaultValue,
                               std::unique_ptr<AAX_ITaperDelegate> taper, std::unique_ptr<AAX_IDisplayDelegate> display,
                               bool automatable)
    : id_(std::move(id)),
      name_(std::move(name)),
      type_(type),
      defaultValue_(0.0),
      value_(0.0),
      taper_(std::move(taper)),
      display_(std::move(display)),
      automatable_(automatable) {
    defaultValue_ = std::isfinite(defaultValue) ? stored(defaultValue) : stored(taper_->getMinimum());
    value_ = defaultValue_;
}

// The value as the parameter's type holds it: a float keeps single precision, whole-numbered
// types keep whole numbers.
double AAX_CParameter::stored(double value) const {
    const double limited = taper_->constrain(value);
    switch (type_) {
        case AAX_ParameterType::Float: return static_cast<double>(static_cast<float>(limited));
        case AAX_ParameterType::Int32: return std::round(limited);
        case AAX_ParameterType::Bool: return limited >= 0.5 ? 1.0 : 0.0;
        case AAX_ParameterType::Double: return limited;
    }
    return limited;
}

bool AAX_CParameter::setValue(double value) {
    if (!std::isfinite(value)) return false;
    value_ = stored(value);
    return true;
}

bool AAX_CParameter::setNormalizedValue(double normalized) {
    if (!std::isfinite(normalized)) return false;
    value_ = stored(taper_->normalizedToReal(std::fmin(1.0, std::fmax(0.0, normalized))));
    return true;
}

bool AAX_CParameter::normalizedFromString(const std::string& text, double& normalized) const {
    double value = 0.0;
    if (!display_->stringToValue(text, value) || !std::isfinite(value)) return false;
    normalized = taper_->realToNormalized(stored(value));
    return true;
}
