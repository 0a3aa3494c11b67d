#include "platform/SettingSerializer.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

std::string printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

bool SettingSerializer::boolValue(const std::string& name, bool current, bool defaultValue) {
    return intValue(name, current ? 1 : 0, defaultValue ? 1 : 0) != 0;
}

double SettingSerializer::floatValue(const std::string& name, double current, double defaultValue) {
    const std::string text = stringValue(name, printed("%.15g", current), printed("%.15g", defaultValue));
    if (isWriting()) return current;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return defaultValue;
    return v;
}

int SettingSerializer::intValue(const std::string& name, int current, int defaultValue) {
    const std::string text = stringValue(name, std::to_string(current), std::to_string(defaultValue));
    if (isWriting()) return current;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max()) {
        return defaultValue;
    }
    return static_cast<int>(v);
}
