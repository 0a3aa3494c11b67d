#pragma once
#include "engine/wave/FloatParameterSource.h"

class FloatParamPluginParameter;

// One XY controller as a modulation source: two outputs, its horizontal ("Hor") and vertical
// ("Ver") position, each a value ramp of range -1..1 bound to its parameter. A parameter change
// glides the ramp to the new position with the automatic ramp time measured against the full
// span of 2 (a full move takes 20 ms, a move of 0.1 about 110 ms).
//
// Threads: construction and destruction during set-up; the ramps move on the audio thread when
// the parameters apply their values.
class XYSource {
public:
    enum Axis { Horizontal = 0, Vertical = 1 };

    // Binds the ramps to the parameters (either may be null) and starts them at the parameters'
    // current positions.
    XYSource(wave::Environment& environment, FloatParamPluginParameter* horizontal,
             FloatParamPluginParameter* vertical);
    ~XYSource();
    XYSource(const XYSource&) = delete;
    XYSource& operator=(const XYSource&) = delete;

    // The output of one axis (-1..1); axes outside 0..1 read as Vertical.
    wave::FloatParameterSource& output(int axis) { return axis == Horizontal ? horizontal_ : vertical_; }
    const wave::FloatParameterSource& output(int axis) const { return axis == Horizontal ? horizontal_ : vertical_; }
    // The axis position for the editor's level meter, 0..1.
    float displayValue(int axis) const;

private:
    void prepare(wave::FloatParameterSource& ramp, FloatParamPluginParameter* parameter);

    wave::FloatParameterSource horizontal_;
    wave::FloatParameterSource vertical_;
    FloatParamPluginParameter* horizontalParameter_;
    FloatParamPluginParameter* verticalParameter_;
};
