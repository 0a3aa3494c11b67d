#pragma once
#include <cmath>
#include <cstdint>

// When a filter samples its coefficients afresh. Coefficients hold for a segment of samples: a
// new segment starts on every 32nd sample of the graph's clock, and sooner when the cut-off
// (log2 Hz) has moved more than 0.1 octave from the value the segment was computed for. Counting
// on the clock rather than from the start of each chunk keeps the coefficients, and so the
// output, the same however the host cuts its buffers. The biquad and both state-variable paths
// follow this rule.
struct CoefficientSegments {
    static constexpr int kLength = 32;             // samples, a power of two
    static constexpr float kMaxMove = 0.1f;        // octaves

    // Whether the sample at graph time `time`, with cut-off `frequency`, starts a new segment
    // after one computed for `sampledFrequency`.
    static bool startsAt(std::int64_t time, float frequency, float sampledFrequency) {
        return (time & (kLength - 1)) == 0 || std::fabs(frequency - sampledFrequency) > kMaxMove;
    }
};
