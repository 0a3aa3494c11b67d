#pragma once
#include "engine/wave/Environment.h"
#include "filters/GenericFilter.h"

// The linear filter unit: a cascade of one, two or four identical second-order sections (12, 24 or
// 48 dB/octave) with bilinear-transform coefficients, no clipping and no saturation.
//
// Coefficients are recomputed once per coefficient segment (CoefficientSegments: every 32 samples
// of the graph's clock, sooner when the frequency moves by more than 0.1 octave), and only when
// frequency or peak really changed; the peak is multiplied by the mute factor at every update.
// Coefficients and state are kept in double precision: with single-precision coefficients a
// low cut-off at a high sample rate (5 Hz at 192 kHz) loses its DC gain and can drift unstable.
// The sections run as a skewed pipeline over each run of fixed coefficients. Two filters with the
// same response and slope (the channels of a stereo pair) can run together, in double lanes,
// with the results of two separate passes bit for bit.
// Audio thread only, except construction.
class BiQuadFilter : public GenericFilter::FilterUnit {
public:
    static constexpr int kMaxSections = 4;

    struct Section {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
        float lastFrequency = -1.0f;
        float lastPeak = 0.0f;
        int lastResponse = -1;
        int lastSections = 0;
        float lastSampleRate = 0.0f;
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    };

    explicit BiQuadFilter(wave::Environment& environment);

    // One filter's streams for one block: process()'s arguments.
    struct Block {
        const float* in;
        float* out;
        const float* freq;
        const float* peak;
        const float* factor;
        bool constant;
        bool factorConstant;  // the factor is known to hold one value (else the block is searched)
    };

    void process(const float* in, float* out, const float* freq, const float* peak, const float* factor, int count,
                 bool constant) override;
    // Filters two blocks in one pass: a with a's sections and b with b's. Both units must have the
    // same response and slope (sameShape); each gets what its own process() would give.
    static void processPair(BiQuadFilter& a, const Block& blockA, BiQuadFilter& b, const Block& blockB, int count);
    bool sameShape(const BiQuadFilter& other) const {
        return response == other.response && sectionsForSlope(slope) == sectionsForSlope(other.slope);
    }
    bool processesInPlace() const override { return true; }
    bool acceptsSlope(int value) const override { return isSlope(value); }
    static bool isSlope(int value) { return value >= 1 && value <= 3; }
    void reset() override;

    // Sections a slope value selects: 2 -> 2, 3 -> 4, anything else -> 1.
    static int sectionsForSlope(int slope) { return slope == 2 ? 2 : slope == 3 ? 4 : 1; }
    // Computes a section's coefficients for (log2 Hz, peak 0..1) at sample rate fs, as one of
    // `sections` identical low- or high-pass sections. The damping of one section, D, runs from
    // sqrt 2 to 0.02 with the peak; each of n cascaded sections gets sqrt 2 · (D / sqrt 2)^(1/n),
    // so the cascade resonates about as strongly as one section instead of n times as strongly
    // (four sections of damping 0.02 would lift the cut-off by some 136 dB).
    static void design(Section& section, int response, float frequency, float peak, float sampleRate,
                       int sections = 1);

    const Section& section(int index) const { return sections_[index]; }

private:
    // What one block's pass keeps between its coefficient segments.
    struct Pass {
        Block block;
        int count;
        int kind;
        int sections;
        float sampleRate;
        std::int64_t time;
        bool continues;
        bool factorSteady;
    };

    bool stateIsFinite() const;
    // The block's checks: state, invalidated coefficients, the clock.
    Pass beginPass(const Block& block, int count);
    // Designs the sections whose segment starts at sample i and returns where the next one starts
    // (count when none does).
    int beginSegment(const Pass& pass, int i);

    wave::Environment& environment_;
    Section sections_[kMaxSections];
    // The graph time right after the last processed sample (-1: none yet).
    std::int64_t nextTime_ = -1;
};
