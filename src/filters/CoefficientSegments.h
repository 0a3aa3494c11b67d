#pragma once
#include <cmath>
#include <cstdint>

#include "engine/wave/Float4.h"

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

    // The first sample after `begin` and before `end` that starts a new segment for a segment
    // computed for `sampledFrequency` (freq indexed like the block, `time` the graph time of sample
    // 0), or `end` if there is none. Several signals sharing segments narrow `end` one after the
    // other.
    static int nextStart(const float* freq, int begin, int end, std::int64_t time, float sampledFrequency) {
        const int toClock = kLength - static_cast<int>((time + begin) & (kLength - 1));
        const int limit = end - begin > toClock ? begin + toClock : end;
        // Four samples per test; the same comparison per lane (a NaN never starts a segment).
        const wave::Float4 sampled(sampledFrequency), maxMove(kMaxMove);
        int j = begin + 1;
        for (; j + 4 <= limit; j += 4) {
            const wave::Float4 move = abs(wave::Float4::loadUnaligned(freq + j) - sampled);
            const int moved = signBits(lessThan(maxMove, move));
            if (moved != 0) return j + firstBit(moved);
        }
        for (; j < limit; ++j) {
            if (std::fabs(freq[j] - sampledFrequency) > kMaxMove) return j;
        }
        return limit;
    }

private:
    static int firstBit(int bits) {  // bits != 0, below 16
        int k = 0;
        while (!(bits & 1)) bits >>= 1, ++k;
        return k;
    }
};
