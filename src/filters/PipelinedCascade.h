#pragma once
// The filter kernel's pass for one or two member filters of 24 or 48 dB/octave.
//
// With at most two members a pass leaves two lanes idle. The pipelined cascade fills them with the
// next stage: vector A holds stage 0 of both members in lanes 0/1 and stage 1 in lanes 2/3, vector
// B stages 2 and 3. At step t stage s works on sample t - s, taking what stage s - 1 produced at
// step t - 1, so the vectors of one step do not wait for each other and one step advances every
// stage. The first and last stages-1 steps of a block (and the steps where a coefficient segment
// starts) run with per-lane coefficients and keep the state of lanes whose sample lies outside the
// block. Every lane computes the same operations as the plain cascade: the results are identical.
#include <cstddef>

#include "engine/wave/Float4.h"

namespace state_variable {

using wave::Float4;

struct PipelineSegments {
    const int* runs;
    int count;      // segments
    int frames;     // samples of the block
    const float* freq;
    const float* damp;  // [stage][segment][lane], stride `dampStride` per stage
    size_t dampStride;
    const float* saturation;
};

// The signals of the two members: the cascade reads its input from the member's stream and writes
// the last stage's output straight into the member's output buffer, so no interleaved copy of the
// block is needed.
struct PipelineIo {
    const float* in[2];
    float* out[2];

    // Sample t of both members in lanes 0/1.
    Float4 load(int t) const { return Float4(in[0][t], in[1][t], 0.0f, 0.0f); }
    // Lanes 2/3 (the last stage of both members) as sample t.
    void store(int t, Float4 v) const {
        alignas(16) float lanes[4];
        v.store(lanes);
        out[0][t] = lanes[2];
        out[1][t] = lanes[3];
    }
};

// Filters one block of both members with `stages` (2 or 4) stages and the given response, carrying
// the stage states in `low` and `band` (StateVariableFilter's layout, [stage * 4 + lane]).
void runPipelined(int stages, int response, const PipelineSegments& segments, const PipelineIo& work, float gain,
                  float* low, float* band);

}  // namespace state_variable
