#include "parameters/FloatPluginParameter.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "platform/Tolerance.h"
#include "parameters/FloatPluginParameterUnit.h"
#include "parameters/ParameterText.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Reads a decimal number at the start of text (after an optional "+"), independent of the
// process locale. Returns the number of characters consumed, 0 when there is no number.
size_t readNumber(std::string_view text, double& number) {
    size_t start = 0;
    if (!text.empty() && text[0] == '+') {
        if (text.size() < 2 || text[1] == '+' || text[1] == '-') return 0;
        start = 1;
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, number, std::chars_format::general);
    if (end == first) return 0;
    if (error == std::errc::result_out_of_range) number = HUGE_VAL;  // refused as non-finite
    return static_cast<size_t>(end - text.data());
}

}  // namespace

FloatPluginParameter::FloatPluginParameter(GenericParameterOwner* owner_, const std::string& name_)
    : AbstractPluginParameter(owner_, 0, name_), display(this) {}

void FloatPluginParameter::setRange(float lo, float hi, float defaultValue_) {
    if (!std::isfinite(lo) || !std::isfinite(hi)) return;
    if (hi < lo) std::swap(lo, hi);
    minimum = lo;
    maximum = hi;
    setDefaultValue(std::isfinite(defaultValue_) ? defaultValue_ : lo);
    value.store(defaultValue, std::memory_order_relaxed);
}

void FloatPluginParameter::setDefaultValue(float v) {
    if (std::isfinite(v)) defaultValue = std::clamp(v, minimum, maximum);
}

void FloatPluginParameter::setDisplayRange(float lo, float hi) {
    const float span = maximum - minimum;
    display.scale2 = span > 0.0f ? (hi - lo) / span : 1.0f;
    display.offset2 = lo - minimum * display.scale2;
    display.scale1 = 1.0f;
    display.offset1 = 0.0f;
}

void FloatPluginParameter::setUnit(const FloatPluginParameterUnit* unit) {
    display.unit = unit;
    if (!unit) return;
    display.label = unit->getLabel();
    unit->apply(display);
}

float FloatPluginParameter::normalize(float v) {
    const float span = maximum - minimum;
    return span > 0.0f ? (v - minimum) / span : 0.0f;
}

float FloatPluginParameter::denormalize(float n) { return (maximum - minimum) * n + minimum; }

void FloatPluginParameter::setValue(float x, int flags) {
    if (!std::isfinite(x)) return;
    x = std::clamp(x, minimum, maximum);
    if (std::fabs(x - getValue()) <= wave::kTolerance) return;
    value.store(x, std::memory_order_relaxed);
    if (owner) owner->setParameter(id, x, flags);
}

std::string FloatPluginParameter::formatValue(float v) {
    return display.formatDisplay(display.valueToDisplay(v));
}

bool FloatPluginParameter::parseText(const std::string& text, float& out) {
    std::string_view rest(text);
    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    double parsed = 0.0;
    const size_t consumed = readNumber(rest, parsed);
    if (consumed == 0) {
        float shown = 0.0f;
        while (!rest.empty() && isBlank(rest.back())) rest.remove_suffix(1);
        if (!display.unit || !display.unit->parseWordOnly(rest, shown)) return false;
        out = std::clamp(displayToValue(shown), minimum, maximum);
        return true;
    }
    if (!(std::fabs(parsed) <= FLT_MAX)) return false;  // NaN, infinity, or beyond float
    float number = static_cast<float>(parsed);
    rest.remove_prefix(consumed);

    while (!rest.empty() && isBlank(rest.front())) rest.remove_prefix(1);
    size_t wordLength = 0;
    while (wordLength < rest.size() && !isBlank(rest[wordLength])) ++wordLength;
    const std::string_view word = rest.substr(0, wordLength);

    float result;
    if (word == "%") {
        // A percentage of the internal range.
        result = denormalize(number * 0.01f);
    } else {
        if (!word.empty()) {
            if (display.unit) {
                const FloatPluginParameterUnit::Word* unitWord = display.unit->findWord(word);
                if (!unitWord) return false;
                number = unitWord->convert(number);
            } else if (!equalsIgnoringCase(word, display.label)) {
                return false;
            }
        }
        const float atMaximum = valueToDisplay(maximum);
        const float atMinimum = valueToDisplay(minimum);
        const float dmax = std::max(atMaximum, atMinimum);
        const float dmin = std::min(atMaximum, atMinimum);
        // On a range that is never positive, a typed "12" means -12.
        if (dmax <= 0.0f) number = -std::fabs(number);
        if (number < dmin) number = dmin;
        if (number > dmax) number = dmax;
        result = displayToValue(number);
    }
    if (!std::isfinite(result)) return false;
    out = std::clamp(result, minimum, maximum);
    return true;
}
