#pragma once
// The bare reference loop of the benchmarks: the state-variable stage recurrence (three iterations
// per sample, cubic band limit, state clamps) with fixed coefficients, one channel, low-pass output,
// no segmentation, no tables and no clipper. Ratios to it show what everything around the kernel
// costs; each benchmark program registers it so a ratio is always taken within one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "filters/StateVariableFilter.h"

namespace bare {

constexpr int kBlock = 512;

inline std::vector<float> noiseBlock(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> s(kBlock);
    for (float& x : s) x = d(random);
    return s;
}

inline void stages(const float* in, float* out, int count, int stageCount, float* low, float* band) {
    const float f = 0.12f, q = 0.7f, c = 0.01f;
    for (int i = 0; i < count; ++i) {
        float v = in[i];
        for (int s = 0; s < stageCount; ++s) {
            float L = low[s], B = band[s], b0 = B;
            L = L + f * B;
            B = B + f * (v - q * B - L) - c * b0 * b0 * b0;
            b0 = B;
            L = L + f * B;
            B = B + f * (v - q * B - L) - c * b0 * b0 * b0;
            b0 = B;
            L = L + f * B;
            float H = v - q * B - L;
            B = B + f * H - c * b0 * b0 * b0;
            B = std::min(std::max(B, -1.0f), 1.0f);
            L = std::min(std::max(L, -10.0f), 10.0f);
            low[s] = L;
            band[s] = B;
            v = L;
        }
        out[i] = v;
    }
}

// Argument: the slope (1, 2, 3 for 1, 2, 4 stages). Counter ns/frame.
inline void BareRecurrence(benchmark::State& state) {
    const int stageCount = StateVariableFilter::stagesForSlope(static_cast<int>(state.range(0)));
    std::vector<float> in = noiseBlock(5), out(kBlock);
    float low[4] = {}, band[4] = {};
    for (auto _ : state) {
        stages(in.data(), out.data(), kBlock, stageCount, low, band);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace bare
