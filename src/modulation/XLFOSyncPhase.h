#pragma once
#include <cmath>

// The free-running sync phase of the step LFO: each sample adds the increment in double precision
// and a phase that reaches 1 wraps back into [0, 1). Rounding makes this sum differ from
// start + n * increment, so step boundaries depend on it; the functions below reproduce the
// sample-by-sample sum exactly while skipping over many samples at once.
//
// Why that is possible: while the phase stays within one binade [2^(e-1), 2^e), every result lies
// on the same grid, so each addition rounds the increment to the same step (after at most one
// different step when the increment falls exactly halfway between grid points, where rounding to
// even alternates once and then settles). A run of such samples is one exact multiplication.
namespace xlfo_phase {

// One sample: add, and wrap once the phase reaches 1.
inline double step(double phase, double increment) {
    phase += increment;
    if (phase >= 1.0) {
        const double f = phase - std::floor(phase);
        phase = f < 1.0 ? f : 0.0;
    }
    return phase;
}

// Samples 1..count after `phase` are first, first + delta, ..., first + (count - 1) * delta, each
// exactly the sample-by-sample result.
struct Run {
    double first;
    double delta;
    long count;
};

// The longest run from `phase` (at most `limit` samples, limit >= 1). A run that crosses a binade
// or wraps is a single sample.
Run run(double phase, double increment, long limit);

// The phase after `samples` samples, equal to calling step() that many times.
double advance(double phase, double increment, long samples);

}  // namespace xlfo_phase
