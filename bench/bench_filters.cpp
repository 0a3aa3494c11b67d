// Cost per sample frame of the filter units. The bare reference loop (BareRecurrence.h) runs the
// same three-iteration stage recurrence with fixed coefficients and nothing around it, so the ratio
// to the kernel shows what segmentation, table look-ups and the clip stage cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Float4.h"
#include "filters/BiQuadFilter.h"
#include "filters/DesignFilter.h"
#include "filters/FilterAnalyzer.h"
#include "filters/GenericFilter.h"
#include "filters/MultiDesignFilter.h"
#include "filters/StateVariableFilter.h"
#include "BareRecurrence.h"
#include "DesignSlotChain.h"

namespace {

constexpr int kBlock = bare::kBlock;

using bare::noiseBlock;

using bench_chain::NoiseSource;
using bench_chain::setFrames;

// The self-oscillation mute's level follower over noise (every factor 1).
void MuteAnalyzer(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    NoiseSource source(env, 4);
    FilterAnalyzer analyzer(env);
    analyzer.setInput(&source);
    for (auto _ : state) {
        env.advanceBlock();
        benchmark::DoNotOptimize(analyzer.pull(kBlock, 0)->data());
        env.run(kBlock, 0);
    }
    setFrames(state);
}

// One-filter path of the kernel, frequency slowly swept so that segments restart as in use.
void KernelOneFilter(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    StateVariableFilter filter(env);
    filter.slope.set(static_cast<int>(state.range(0)));
    std::vector<float> in = noiseBlock(1), out(kBlock), freq(kBlock), peak(kBlock, 0.6f);
    for (int i = 0; i < kBlock; ++i) freq[i] = 10.0f + 0.002f * i;
    for (auto _ : state) {
        filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, false);
        benchmark::DoNotOptimize(out.data());
    }
    setFrames(state);
}

// Four-lane pass computing two member filters (a stereo pair): a frame is both channels.
void KernelTwoMembers(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    StateVariableFilter group(env);
    NoiseSource left(env, 2), right(env, 3);
    GenericFilter a(env), b(env);
    a.setInput(&left);
    b.setInput(&right);
    a.joinGroup(&group);
    b.joinGroup(&group);
    for (GenericFilter* f : {&a, &b}) {
        f->slope.set(static_cast<int>(state.range(0)));
        f->frequencySource().setTarget(10.0f, 0.0f);
        f->peakSource().setTarget(0.6f, 0.0f);
    }
    for (auto _ : state) {
        env.advanceBlock();
        benchmark::DoNotOptimize(a.pull(kBlock, 0));
        benchmark::DoNotOptimize(b.pull(kBlock, 0));
        env.run(kBlock, 0);
    }
    setFrames(state);
}

void CleanBiquad(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    BiQuadFilter filter(env);
    filter.slope.set(static_cast<int>(state.range(0)));
    std::vector<float> in = noiseBlock(4), out(kBlock), freq(kBlock), peak(kBlock, 0.6f);
    for (int i = 0; i < kBlock; ++i) freq[i] = 10.0f + 0.002f * i;
    for (auto _ : state) {
        filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, false);
        benchmark::DoNotOptimize(out.data());
    }
    setFrames(state);
}

// One design-filter slot as the product runs it: the slot's design filter computes the left and
// right filter in one four-lane pass (a frame is both channels), the first characteristic.
void DesignSlotTwoMembers(benchmark::State& state) {
    bench_chain::DesignSlotChain slot(1, 0, static_cast<int>(state.range(0)), 10.0f, 0.6f);
    for (auto _ : state) slot.run();
    setFrames(state);
}

// The one-filter path of a design filter (one channel), frequency slowly swept.
void DesignOneFilter(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    DesignFilter filter(env, MultiDesignFilter::Style::shared()[0]);
    filter.slope.set(static_cast<int>(state.range(0)));
    std::vector<float> in = noiseBlock(8), out(kBlock), freq(kBlock), peak(kBlock, 0.6f);
    for (int i = 0; i < kBlock; ++i) freq[i] = 10.0f + 0.002f * i;
    for (auto _ : state) {
        filter.process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, false);
        benchmark::DoNotOptimize(out.data());
    }
    setFrames(state);
}

// A filter slot set to Clean: the slot's biquad group computes both channels (a frame is both).
void CleanSlotTwoFilters(benchmark::State& state) {
    bench_chain::DesignSlotChain slot(1, MultiDesignFilter::kClean, static_cast<int>(state.range(0)), 10.0f, 0.6f);
    for (auto _ : state) slot.run();
    setFrames(state);
}

}  // namespace

BENCHMARK(DesignSlotTwoMembers)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(DesignOneFilter)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(CleanSlotTwoFilters)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(MuteAnalyzer);
BENCHMARK(KernelOneFilter)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(KernelTwoMembers)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(CleanBiquad)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK(bare::BareRecurrence)->Arg(1)->Arg(2)->Arg(3);
