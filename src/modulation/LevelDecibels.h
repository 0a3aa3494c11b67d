#pragma once

// The envelope follower's input conversion: a level (non-negative amplitude, 1.0 = full scale) to
// its height above -60 dBFS in dB, 0..120. Silence, denormals and NaN count as -180 dB (so 0),
// infinity as +60 dB (so 120). Both forms give the same bits for every input.
namespace level_decibels {

// One sample.
float aboveFloor(float x);

// `n` samples from `x` into `target` (which must not overlap `x`), four at a time.
void aboveFloor(const float* x, float* target, int n);

}  // namespace level_decibels
