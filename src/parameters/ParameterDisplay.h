#pragma once
#include <functional>
#include <string>

class FloatPluginParameter;
class FloatPluginParameterUnit;

// The display chain of a float parameter: how an internal value becomes the number the user
// reads and types, and how that number is printed.
//
//   display = toDisplay(((curve(v) * scale2 + offset2) * scale1) + offset1)
//   value   = curveInverse((((fromDisplay(d) - offset1) / scale1) - offset2) / scale2)
//
// The stages are public for direct set-up; empty functions act as the identity.
class ParameterDisplay {
public:
    using Function = std::function<float(float)>;
    using Formatter = std::function<std::string(float)>;

    explicit ParameterDisplay(FloatPluginParameter* owner = nullptr);

    // printf format for one double, used when no formatter is set.
    std::string format = "%.3f";
    Function toDisplay = identity;
    Function fromDisplay = identity;
    float offset1 = 0.0f;
    float scale1 = 1.0f;
    // Unit label appended to the text after a blank (empty: none).
    std::string label;
    Formatter formatter;
    Function curve = identity;
    Function curveInverse = identity;
    float offset2 = 0.0f;
    FloatPluginParameter* parameter;
    float scale2 = 1.0f;
    // The unit whose words the text parser accepts (not owned; process-wide singleton).
    const FloatPluginParameterUnit* unit = nullptr;

    float valueToDisplay(float v) const;
    float displayToValue(float d) const;
    // The value after the curve and the inner linear stage: what bound consumers receive.
    float curveScaled(float v) const { return call(curve, v) * scale2 + offset2; }
    // Prints a display value with the formatter (or the format) and appends the label.
    std::string formatDisplay(float d) const;

    static float identity(float x) { return x; }

private:
    static float call(const Function& f, float x) { return f ? f(x) : x; }
};
