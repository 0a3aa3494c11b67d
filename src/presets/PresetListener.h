#pragma once
#include "presets/Preset.h"

// Hears that the user chose a preset from a preset menu (editor thread).
class PresetListener {
public:
    virtual ~PresetListener() = default;
    virtual void presetSelected(const Preset& preset) = 0;
};
