#pragma once

// A smoothed value a float parameter drives: it glides to each new value with its own automatic
// ramp time. Implemented by the signal graph's parameter sources; the parameter layer knows only
// this. Called on the audio thread.
class SmoothedValueTarget {
public:
    virtual ~SmoothedValueTarget() = default;
    virtual void glideTo(float value) = 0;
};
