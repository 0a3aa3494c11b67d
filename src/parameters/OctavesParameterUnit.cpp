#include "parameters/OctavesParameterUnit.h"

OctavesParameterUnit::OctavesParameterUnit()
    : FloatPluginParameterUnit({{"semitones", 1.0f, nullptr}, {"semitone", 1.0f, nullptr}, {"octaves", 12.0f, nullptr},
             {"octave", 12.0f, nullptr},    {"oct", 12.0f, nullptr},      {"notes", 1.0f, nullptr},
             {"note", 1.0f, nullptr},       {"cents", 0.01f, nullptr},    {"cent", 0.01f, nullptr}}) {}

const OctavesParameterUnit& OctavesParameterUnit::instance() {
    static const OctavesParameterUnit unit;
    return unit;
}

void OctavesParameterUnit::apply(ParameterDisplay& display) const {
    display.toDisplay = [](float x) { return x * 12.0f; };
    display.fromDisplay = [](float x) { return x * 0.083333336f; };
}
