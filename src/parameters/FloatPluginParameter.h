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
    // Reads typed text such as "2 kHz", "-6", "2x", "50 %" or "-INF dB" (see readText).
    bool parseText(const std::string& text, float& out) override;
    // A number, optionally followed by one unit word (any letter case), the label or "%" (a share
    // of the internal range); or a word the unit names on its own ("C" for a centred pan). Refused,
    // with out left alone: no number, an unknown word, anything after the word, NaN (NotAValue);
    // a number outside the shown range (OutOfRange). A number that misses a shown limit by less
    // than 0.1 % of it, or that prints as the limit does, is the limit; beyond a limit shown as
    // infinite ("-INF dB") every number is that limit, so "-INF dB" and "-200 dB" read as silence.
    TextVerdict readText(const std::string& text, float& out) override;
    // The shown range, lower end first, and the unit words:
    // "a number from 4.811 Hz to 75616 Hz (Hz, kHz, k), or % of the range".
    std::string acceptedText() override;
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
    // A range end: the internal value and the display value it shows as.
    struct Limit {
        float value;
        float shown;
    };
    // The range ends ordered by their display values (a display may run backwards).
    void shownLimits(Limit& low, Limit& high);
    bool reachesLimit(float number, float limit) const;

    ParameterDisplay display;
    float defaultValue = 0.0f;
    float maximum = 1.0f;
    float minimum = 0.0f;
    std::atomic<float> value{0.0f};
};
