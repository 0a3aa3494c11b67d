#pragma once
#include "engine/wave/Producer.h"

// base × 2^exponent per sample: turns an XLFO's "Frequency Offset" (octaves, -1..1 on the knob)
// into the speed factor its frequency controller multiplies by, and applies the same factor to the
// free-running frequency. Without a base the output is the factor alone.
//
// The exponent is limited to ±8 octaves and non-finite inputs read as 0, so a broken modulation
// value never reaches an oscillator's phase. A block whose inputs are constant is computed once
// and flagged constant. Wiring at construction; rendering on the audio thread.
class FrequencyMultiplier : public wave::Source {
public:
    static constexpr float kMaxOctaves = 8.0f;

    // `base` may be null (factor 1); `exponent` may be null (no offset).
    FrequencyMultiplier(wave::Environment& environment, wave::Producer* base, wave::Producer* exponent);

    // The value for one pair of input samples.
    static float multiply(float base, float exponent);

    void render(wave::Buffer& buffer, int frames, int flags) override;

private:
    wave::Producer* base_;
    wave::Producer* exponent_;
};
