// Cost of the LV2 boundary: Lv2Plugin::run (every control port compared, the bypass and latency
// ports, the event sequence walked) against KestrumPlugin::processBlock alone for the same
// setting, in nanoseconds per frame at host buffers of 64 and 512 frames.
#include <benchmark/benchmark.h>

#include <lv2/atom/atom.h>

#include <cmath>
#include <vector>

#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2Plugin.h"
#include "product/KestrumPlugin.h"

namespace {

std::vector<float> sine(int frames) {
    std::vector<float> x(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) x[static_cast<size_t>(i)] = 0.5f * std::sin(0.05f * static_cast<float>(i));
    return x;
}

void report(benchmark::State& state, int64_t frames) {
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ProcessBlock(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    KestrumPlugin plugin(2);
    plugin.setSampleRate(48000.0f);
    std::vector<float> in = sine(frames), outL(in.size()), outR(in.size());
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    int64_t processed = 0;
    for (auto _ : state) {
        plugin.setTransport(120.0f, 0.0f);
        plugin.processBlock(ins, 2, outs, 2, frames);
        benchmark::DoNotOptimize(outL.data());
        processed += frames;
    }
    report(state, processed);
}

void BM_Lv2Run(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    auto lv2 = Lv2Plugin::create(Lv2PortLayout::Variant::Stereo, 48000.0, nullptr);
    const Lv2PortLayout& l = lv2->layout();
    std::vector<float> controls(static_cast<size_t>(lv2->plugin().getNumParameters()));
    for (size_t i = 0; i < controls.size(); ++i) {
        AbstractPluginParameter& p = *lv2->plugin().getParameter(static_cast<int>(i));
        controls[i] = Lv2ControlPorts::portValue(p, p.getValue());
        lv2->connect(l.firstControl + static_cast<uint32_t>(i), &controls[i]);
    }
    std::vector<float> in = sine(frames), outL(in.size()), outR(in.size());
    float latency = 0.0f, enabled = 1.0f;
    LV2_Atom_Sequence events{{sizeof(LV2_Atom_Sequence_Body), 0}, {0, 0}};
    lv2->connect(l.input[0], in.data());
    lv2->connect(l.input[1], in.data());
    lv2->connect(l.output[0], outL.data());
    lv2->connect(l.output[1], outR.data());
    lv2->connect(l.latency, &latency);
    lv2->connect(l.enabled, &enabled);
    lv2->connect(l.events, &events);
    lv2->activate();
    int64_t processed = 0;
    for (auto _ : state) {
        lv2->run(static_cast<uint32_t>(frames));
        benchmark::DoNotOptimize(outL.data());
        processed += frames;
    }
    report(state, processed);
}

}  // namespace

BENCHMARK(BM_ProcessBlock)->ArgName("frames")->Arg(64)->Arg(512);
BENCHMARK(BM_Lv2Run)->ArgName("frames")->Arg(64)->Arg(512);
