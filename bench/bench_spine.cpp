// Cost of the processing spine per sample frame: a stereo plug-in whose channels run
// input gain -> output gain -> effect mixer, processed through GenericPlugin::processBlock
// (parameter queue, chunking, bypass stage), at host buffers of 64 and 512 frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "../tests/support/SpinePlugin.h"

namespace {

void BM_Spine(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const bool moving = state.range(1) != 0;
    SpinePlugin plugin;
    plugin.setSampleRate(48000.0f);
    plugin.retarget(1.5f, 0.7f, 0.3f);
    std::vector<float> in(static_cast<size_t>(frames)), outL(in.size()), outR(in.size());
    for (int i = 0; i < frames; ++i) in[static_cast<size_t>(i)] = std::sin(0.05f * static_cast<float>(i));
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    int64_t processed = 0;
    int k = 0;
    for (auto _ : state) {
        if (moving && (++k % 8) == 0) plugin.retarget(k % 16 ? 2.0f : 0.5f, 0.7f, 0.3f);
        plugin.processBlock(ins, 2, outs, 2, frames);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        processed += frames;
    }
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(processed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(processed) / 48000.0, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_Spine)->ArgNames({"frames", "moving"})->Args({64, 0})->Args({512, 0})->Args({64, 1})->Args({512, 1});
