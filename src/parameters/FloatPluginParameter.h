#pragma once
#include <atomic>
#include <string>

#include "parameters/AbstractPluginParameter.h"
#include "parameters/ParameterDisplay.h"

class FloatPluginParameterUnit;

// A continuous parameter: a float value in [minimum, maximum] with a display chain and an
// optional unit. Starts with range 0..1, default 0 and value 0.
//
// Threads: set-up (ranges, display, unit) before processing starts; setValue from the host,
// editor or preset threads; the value is atomic, so any thread may read it.
class FloatPluginParameter : public AbstractPluginParameter {
public:
    FloatPluginParameter(GenericParameterOwner* owner, const std::string& name);

    // Set-up: the range and default; the value becomes the default without telling the owner.
    // Bounds given in the wrong order are swapped; non-finite arguments are ignored.
    void setRange(float minimum, float maximum, float defaultValue);
    // Set-up: the default, limited to the range.
    void setDefaultValue(float value);
    // The curve output over [minimum, maximum] maps linearly onto [lo, hi] before toDisplay.
    void setDisplayRange(float lo, float hi);
    // Uses the unit's label and formatting and accepts its words when parsing typed text.
    void setUnit(const FloatPluginParameterUnit* unit);
    void setUnit(const FloatPluginParameterUnit& unit) { setUnit(&unit); }

    ParameterDisplay& getDisplay() { return display; }
    const ParameterDisplay& getDisplay() const { return display; }
    // curve(v) * scale2 + offset2: the value handed to bound consumers.
    float appliedValue(float v) const { return display.curveScaled(v); }

    float displayToValue(float d) override { return display.displayToValue(d); }
    float valueToDisplay(float v) override { return display.valueToDisplay(v); }
    float normalize(float v) override;
    float denormalize(float n) override;
    // Reads typed text such as "2 kHz", "-6", "2x" or "50 %". Returns false (and leaves out
    // alone) for text that holds no number, a word that is no unit word, or a non-finite result.
    bool parseText(const std::string& text, float& out) override;
    std::string formatValue(float v) override;
    float getDefaultValue() override { return defaultValue; }
    float getMaximum() override { return maximum; }
    float getMinimum() override { return minimum; }
    float getValue() override { return value.load(std::memory_order_relaxed); }
    // Limits x to the range and, when it moved by more than the tolerance, stores it and calls
    // the owner's setParameter. Non-finite x changes nothing.
    void setValue(float x, int flags) override;
    bool isNumeric() override { return true; }

protected:
    ParameterDisplay display;
    float defaultValue = 0.0f;
    float maximum = 1.0f;
    float minimum = 0.0f;
    std::atomic<float> value{0.0f};
};
