#include "parameters/PanParameterUnit.h"

#include <cmath>
#include <cstdio>

PanParameterUnit::PanParameterUnit()
    : FloatPluginParameterUnit({{"R", 0.01f, nullptr}, {"L", -0.01f, nullptr}}) {}

const PanParameterUnit& PanParameterUnit::instance() {
    static const PanParameterUnit unit;
    return unit;
}

void PanParameterUnit::apply(ParameterDisplay& display) const {
    display.label.clear();
    display.formatter = [](float d) { return format(d); };
}

std::string PanParameterUnit::format(float position) {
    if (std::isnan(position)) return "C";
    const long percent = std::lround(std::fabs(position) * 100.0f);
    if (percent == 0) return "C";
    char text[32];
    std::snprintf(text, sizeof text, "%ld %s", percent, position < 0.0f ? "L" : "R");
    return text;
}

bool PanParameterUnit::parseWordOnly(std::string_view word, float& display) const {
    if (word.size() != 1 || (word[0] != 'C' && word[0] != 'c')) return false;
    display = 0.0f;
    return true;
}
