#pragma once
#include <string>

// Text of a host parameter's real value, and the value of typed text.
class AAX_IDisplayDelegate {
public:
    virtual ~AAX_IDisplayDelegate() = default;
    virtual std::string valueToString(double value) const = 0;
    // False (and `value` untouched) for text that means no value.
    virtual bool stringToValue(const std::string& text, double& value) const = 0;
};
