#pragma once

// The span of a filter frequency as log2 of Hz, about 4.8 Hz to 75.6 kHz: the range of the "Freq"
// parameters, of the modulated frequency and of the filter kernels' tables.
struct FilterFrequencyRange {
    static constexpr float kMin = 2.2666f;
    static constexpr float kMax = 16.2064f;
};
