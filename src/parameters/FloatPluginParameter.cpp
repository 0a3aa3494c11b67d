#include "parameters/FloatPluginParameter.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "platform/Tolerance.h"
#include "parameters/FloatPluginParameterUnit.h"
#include "parameters/ParameterText.h"

namespace {

// Typed text that misses a limit by this share of it is the limit: "4.81 Hz" for a lowest
// frequency shown as "4.811 Hz".
constexpr float kLimitSlack = 1.0e-3f;

// Reads a decimal number at the start of text (after an optional "+"), independent of the
// process locale. "inf" and numbers too large for a double give an infinity of their sign.
// Returns the number of characters consumed, 0 when there is no number.
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
    if (error == std::errc::result_out_of_range) {
        // Overflow or underflow: the text says which by its exponent's sign; a tiny number is 0.
        const std::string_view digits(first, static_cast<size_t>(end - first));
        const size_t e = digits.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        const bool negative = *first == '-';
        number = tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return static_cast<size_t>(end - text.data());
}

float toFloat(double d) {
    if (std::fabs(d) > FLT_MAX) return d < 0.0 ? -INFINITY : INFINITY;
    return static_cast<float>(d);
}

bool showsInfinite(const std::string& text) { return text.rfind("-INF", 0) == 0 || text.rfind("INF", 0) == 0; }

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

// Beyond a limit that shows as infinite ("-INF dB"), every number is that limit. Otherwise a number
// just beyond it is the limit when it prints as the limit does or lies within kLimitSlack of it.
bool FloatPluginParameter::reachesLimit(float number, float limit) const {
    const std::string shown = display.formatDisplay(limit);
    if (showsInfinite(shown)) return true;
    if (!std::isfinite(number)) return false;
    if (std::fabs(number - limit) <= kLimitSlack * std::fabs(limit)) return true;
    return display.formatDisplay(number) == shown;
}

void FloatPluginParameter::shownLimits(Limit& low, Limit& high) {
    const Limit atMinimum{minimum, valueToDisplay(minimum)};
    const Limit atMaximum{maximum, valueToDisplay(maximum)};
    const bool ascending = !(atMaximum.shown < atMinimum.shown);
    low = ascending ? atMinimum : atMaximum;
    high = ascending ? atMaximum : atMinimum;
}

bool FloatPluginParameter::parseText(const std::string& text, float& out) {
    return readText(text, out) == TextVerdict::Accepted;
}

AbstractPluginParameter::TextVerdict FloatPluginParameter::readText(const std::string& text, float& out) {
    std::string_view rest = trimBlanks(text);
    double parsed = 0.0;
    const size_t consumed = readNumber(rest, parsed);
    if (consumed == 0) {
        // A word alone, such as the "C" a centred pan shows.
        float shown = 0.0f;
        if (!display.unit || !display.unit->parseWordOnly(rest, shown)) return TextVerdict::NotAValue;
        const float result = displayToValue(shown);
        if (!std::isfinite(result)) return TextVerdict::NotAValue;
        out = std::clamp(result, minimum, maximum);
        return TextVerdict::Accepted;
    }
    if (std::isnan(parsed)) return TextVerdict::NotAValue;
    rest.remove_prefix(consumed);

    // At most one word may follow the number: a unit word, the label or "%".
    rest = trimBlanks(rest);
    size_t wordLength = 0;
    while (wordLength < rest.size() && !isBlank(rest[wordLength])) ++wordLength;
    const std::string_view word = rest.substr(0, wordLength);
    if (wordLength < rest.size()) return TextVerdict::NotAValue;

    float result;
    if (word == "%") {
        // A percentage of the internal range.
        double share = parsed * 0.01;
        if (share < 0.0 || share > 1.0) {
            const double limit = share < 0.0 ? 0.0 : 1.0;
            if (!(std::fabs(share - limit) <= kLimitSlack)) return TextVerdict::OutOfRange;
            share = limit;
        }
        result = denormalize(static_cast<float>(share));
    } else {
        float number = toFloat(parsed);
        if (!word.empty()) {
            if (display.unit) {
                const FloatPluginParameterUnit::Word* unitWord = display.unit->findWord(word);
                if (!unitWord) return TextVerdict::NotAValue;
                number = unitWord->convert(number);
            } else if (!equalsIgnoringCase(word, display.label)) {
                return TextVerdict::NotAValue;
            }
        }
        if (std::isnan(number)) return TextVerdict::NotAValue;
        Limit low, high;
        shownLimits(low, high);
        // On a range that is never positive, a typed "12" means -12.
        if (high.shown <= 0.0f) number = -std::fabs(number);
        if (number <= low.shown) {
            if (!reachesLimit(number, low.shown)) return TextVerdict::OutOfRange;
            result = low.value;
        } else if (number >= high.shown) {
            if (!reachesLimit(number, high.shown)) return TextVerdict::OutOfRange;
            result = high.value;
        } else {
            result = displayToValue(number);
        }
    }
    if (!std::isfinite(result)) return TextVerdict::NotAValue;
    out = std::clamp(result, minimum, maximum);
    return TextVerdict::Accepted;
}

std::string FloatPluginParameter::acceptedText() {
    Limit low, high;
    shownLimits(low, high);
    std::string text = "a number from " + formatValue(low.value) + " to " + formatValue(high.value);
    const std::vector<FloatPluginParameterUnit::Word>* words = display.unit ? &display.unit->getWords() : nullptr;
    bool percentWord = false;
    if (words && !words->empty()) {
        text += " (";
        for (size_t i = 0; i < words->size(); ++i) {
            if (i > 0) text += ", ";
            text += (*words)[i].text;
            percentWord = percentWord || (*words)[i].text == "%";
        }
        text += ")";
    }
    if (!percentWord) text += ", or % of the range";
    return text;
}
