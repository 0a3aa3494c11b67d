#include "parameters/ParameterText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/Tolerance.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when the format holds exactly one conversion for a double ("%%" is allowed as literal
// text), so handing it to snprintf with one double is well defined.
bool isSingleFloatConversion(std::string_view f) {
    int conversions = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') continue;
        if (++i >= f.size()) return false;
        if (f[i] == '%') continue;
        while (i < f.size() && (f[i] == '-' || f[i] == '+' || f[i] == ' ' || f[i] == '#' || f[i] == '0')) ++i;
        while (i < f.size() && isDigit(f[i])) ++i;
        if (i < f.size() && f[i] == '.') {
            ++i;
            while (i < f.size() && isDigit(f[i])) ++i;
        }
        if (i < f.size() && f[i] == 'l') ++i;
        if (i >= f.size() || std::strchr("fFeEgGaA", f[i]) == nullptr) return false;
        ++conversions;
    }
    return conversions == 1;
}

std::string printOne(const std::string& format, double d) {
    char small[64];
    int n = std::snprintf(small, sizeof small, format.c_str(), d);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), d);
    text.resize(static_cast<size_t>(n));
    return text;
}

}  // namespace

std::string formatDefault(double d, std::string_view format) {
    if (d >= INFINITY) return "INF";
    if (d <= -INFINITY) return "-INF";

    std::string effective;
    if (!format.empty() && format[0] == '*') {
        // Significant-digits form: "*", optional "+", decimal count, then the conversion.
        size_t i = 1;
        bool plus = false;
        if (i < format.size() && format[i] == '+') {
            plus = true;
            ++i;
        }
        int decimals = 0;
        while (i < format.size() && isDigit(format[i]) && decimals < 100) decimals = decimals * 10 + (format[i++] - '0');
        const double threshold = 10.0 - 0.5 / std::pow(10.0, decimals);
        double a = std::fabs(d);
        while (decimals > 0 && a >= threshold) {
            a *= 0.1;
            --decimals;
        }
        effective = std::string("%") + (plus ? "+" : "") + "." + std::to_string(decimals);
        effective.append(format.substr(i));
    } else {
        effective.assign(format);
    }
    if (!isSingleFloatConversion(effective)) effective = "%.3f";

    std::string text = printOne(effective, d);
    bool nonZeroDigit = false;
    for (char c : text) {
        if (c >= '1' && c <= '9') {
            nonZeroDigit = true;
            break;
        }
    }
    if (!nonZeroDigit && !text.empty() && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string formatFrequency(double d) {
    if (d > 9999.95) return formatDefault(d, "%.0f");
    if (d > 999.995) return formatDefault(d, "%.1f");
    if (d > 99.9995) return formatDefault(d, "%.2f");
    return formatDefault(d, "%.3f");
}

std::string formatDecibels(double d) {
    if (std::fabs(d) <= wave::kTolerance) return "0.00";
    if (d > -179.9) return formatDefault(d, "%+.2f");
    return "-INF";
}

float linearToDecibels(float x) {
    if (!(x > 1e-10f)) return -180.0f;
    return std::max(20.0f * std::log10(x), -180.0f);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool readWholeInteger(std::string_view text, long& number) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    long parsed = 0;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(text.data(), last, parsed, 10);
    if (error != std::errc() || end != last) return false;
    number = parsed;
    return true;
}
