// Cost of a small gain-and-mix chain per sample frame (one channel):
//   input -> gain stage -> gain stage -> processed ┐
//   input ---------------------------------------> dry ┴-> effect mixer (mix between the extremes)
// "const" keeps the gains steady (the scalar-gain loops); "ramp" keeps the first gain gliding
// all the time (per-sample gains).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/mixing/EffectMixer.h"
#include "engine/mixing/VolumeFilter.h"
#include "engine/wave/Environment.h"
#include "engine/wave/Input.h"

namespace {

constexpr float kSampleRate = 48000.0f;

void runChain(benchmark::State& state, bool rampingGain) {
    const int block = static_cast<int>(state.range(0));
    wave::Environment env(block);
    env.setSampleRate(kSampleRate);

    std::vector<float> host(static_cast<size_t>(block));
    for (int i = 0; i < block; ++i) host[static_cast<size_t>(i)] = std::sin(0.05f * static_cast<float>(i));

    wave::Input input(env);
    VolumeFilter inputGain(env), outputGain(env);
    inputGain.setInput(&input);
    outputGain.setInput(&inputGain);
    inputGain.gainParameter().ramp().setLimits(0.0f, 100.0f);
    inputGain.gainParameter().setTarget(1.5f, 0.0f);
    outputGain.gainParameter().setTarget(0.7f, 0.0f);

    EffectMixer mixer(env);
    mixer.setLinearLaw(true);
    mixer.setDry(&input);
    mixer.setProcessed(&outputGain);
    mixer.mixParameter().setTarget(0.3f, 0.0f);

    int64_t frames = 0;
    bool up = false;
    for (auto _ : state) {
        if (rampingGain && !inputGain.gainParameter().ramp().isRunning()) {
            up = !up;
            inputGain.gainParameter().setTarget(up ? 2.0f : 0.5f, 50.0f);
        }
        input.setSource(host.data(), block);
        env.advanceBlock();
        wave::Buffer* out = mixer.pull(block, 0);
        env.run(block, 0);
        benchmark::DoNotOptimize(out->data());
        benchmark::ClobberMemory();
        frames += block;
    }
    // Frames per second, inverted: seconds per frame (printed with its prefix, e.g. "3.2ns").
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of 48 kHz audio processed per second of work (the real-time factor).
    state.counters["audio-seconds"] =
        benchmark::Counter(static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsRate);
}

void BM_GainMixChain_Const(benchmark::State& state) { runChain(state, false); }
void BM_GainMixChain_Ramp(benchmark::State& state) { runChain(state, true); }

}  // namespace

BENCHMARK(BM_GainMixChain_Const)->Arg(64)->Arg(512);
BENCHMARK(BM_GainMixChain_Ramp)->Arg(64)->Arg(512);
