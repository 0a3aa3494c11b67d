#pragma once
#include <vector>

#include "parameters/ParameterDisplay.h"

// A curve through a table of points with straight lines between them, used to spread a knob's
// travel unevenly over a value range (fine control where it matters). Inputs before the first
// point give the first output and inputs after the last point the last output; an odd curve is
// evaluated on |x| and takes the sign of x. The inverse is the same table with x and y swapped
// (the outputs must rise with the inputs). NaN input gives the first output.
class PiecewiseLinearCurve {
public:
    enum Symmetry { kClamped, kOdd };

    PiecewiseLinearCurve(std::vector<float> xs, std::vector<float> ys, Symmetry symmetry);

    float operator()(float x) const;
    PiecewiseLinearCurve inverse() const { return PiecewiseLinearCurve(ys_, xs_, symmetry_); }

    const std::vector<float>& xs() const { return xs_; }
    const std::vector<float>& ys() const { return ys_; }

    // The value curves of the parameter sets, with their inverses. Process-wide, never destroyed
    // before exit.
    // Delay curve (odd): filter delay, slot levels, EG threshold, hold and delay; 0.5 gives 0.16.
    static const PiecewiseLinearCurve& delay();
    static const PiecewiseLinearCurve& delayInverse();
    // Time curve: envelope attack, decay and release times.
    static const PiecewiseLinearCurve& time();
    static const PiecewiseLinearCurve& timeInverse();
    // LFO frequency curve: 0.00196008 of the 0.02..500 Hz span is 1 Hz.
    static const PiecewiseLinearCurve& lfoFrequency();
    static const PiecewiseLinearCurve& lfoFrequencyInverse();

    // Puts a process-wide curve and its inverse first in a display chain.
    static void install(ParameterDisplay& display, const PiecewiseLinearCurve& curve,
                        const PiecewiseLinearCurve& inverse) {
        display.curve = function(curve);
        display.curveInverse = function(inverse);
    }
    // A display-chain function that evaluates a process-wide curve.
    static ParameterDisplay::Function function(const PiecewiseLinearCurve& curve) {
        const PiecewiseLinearCurve* c = &curve;
        return [c](float x) { return (*c)(x); };
    }

private:
    std::vector<float> xs_;
    std::vector<float> ys_;
    Symmetry symmetry_;
};
