#pragma once
#include "parameters/FloatPluginParameterUnit.h"

// Pitch intervals held in octaves and shown in semitones; typed octaves, notes and cents convert.
class OctavesParameterUnit : public FloatPluginParameterUnit {
public:
    static const OctavesParameterUnit& instance();
    void apply(ParameterDisplay& display) const override;

protected:
    OctavesParameterUnit();
};
