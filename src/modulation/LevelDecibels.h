#pragma once
#include "engine/wave/Filter.h"

// The envelope follower's input conversion: a level (non-negative amplitude, 1.0 = full scale) to
// its height above -60 dBFS in dB, 0..120. Silence, denormals and NaN count as -180 dB (so 0),
// infinity as +60 dB (so 120). Both forms give the same bits for every input.
namespace level_decibels {

// One sample.
float aboveFloor(float x);

// `n` samples from `x` into `target` (which must not overlap `x`), four at a time.
void aboveFloor(const float* x, float* target, int n);

}  // namespace level_decibels

// The conversion of one level stream as a stage of the graph, so that every follower reading that
// stream shares one conversion per block: the graph renders the stage once per block, whoever
// asks first. Wiring at construction; rendering on the audio thread.
class LevelDecibelStage : public wave::Filter {
public:
    explicit LevelDecibelStage(wave::Environment& environment) : wave::Filter(environment) {}

    // The converted block of `level` when `level` is this stage's input stream in this block (the
    // very buffer its input produced); null otherwise. An input not yet rendered in this block
    // is not rendered for the question.
    const float* decibelsOf(const wave::Buffer& level, int frames);

    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;
};
