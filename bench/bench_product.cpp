// Cost of the whole product per sample frame at 48 kHz, through KestrumPlugin::processBlock:
// (a) a stereo instance with four filters at 48 dB/octave ("Gentle", serial routing 0) and all 24
//     slots connected to XY sources that move all the time, host buffers of 64 and 512 frames;
// (b) the same with all six XLFOs, six envelope generators and four envelope followers running
//     and the 24 slots spread over every kind of source, buffers of 512 frames;
// (c) one stereo filter ("Gentle", 24 dB/octave) and (d) one Clean filter at 48 dB/octave (four
//     biquad sections per channel), no modulation, buffers of 512 frames.
// The bare recurrence (BareRecurrence.h) runs in the same program as the reference of the ratios.
// Counters: ns/frame, and realtime-x (seconds of audio processed per second, both channels).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "product/KestrumPlugin.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"
#include "filters/MultiDesignFilter.h"
#include "BareRecurrence.h"

namespace {

using Layout = ModulationLayout;
constexpr float kSampleRate = 48000.0f;
constexpr int kGentle = 6;
constexpr int kInputFrames = 48000;

void connect(KestrumPlugin& p, int slot, int source, int target, float level) {
    p.setSlotSource(slot, source);
    p.setSlotTarget(slot, target);
    p.slots.at(slot).level.setPlainValue(level, 0);
}

enum class Setting { XYSlots, AllSources, OneFilter24, Clean48 };

void oneFilter(KestrumPlugin& p, int characteristic, int slope) {
    p.filters.getNumActive().setValue(1.0f, 0);
    FilterParameterSet& f = p.filters.at(0);
    f.characteristic.setValue(static_cast<float>(characteristic), 0);
    f.slope.setValue(static_cast<float>(slope), 0);
    f.freq.setValue(0.5f, 0);
    f.peak.setValue(0.3f, 0);
}

void fourSteepFilters(KestrumPlugin& p) {
    p.filters.getNumActive().setValue(4.0f, 0);
    p.routing.setValue(0.0f, 0);
    for (int k = 0; k < 4; ++k) {
        FilterParameterSet& f = p.filters.at(k);
        f.characteristic.setValue(static_cast<float>(kGentle), 0);
        f.slope.setValue(static_cast<float>(FilterEnums::Slope48), 0);
        f.freq.setValue(0.45f + 0.1f * static_cast<float>(k), 0);
        f.peak.setValue(0.3f, 0);
    }
    p.slots.getNumActive().setValue(24.0f, 0);
}

// 16 filter targets, the five gain/pan/mix targets and three slot levels, all from XY outputs.
void xySlots(KestrumPlugin& p) {
    for (int t = 0; t < 16; ++t) connect(p, t, Layout::kFirstXY + t % 8, t, 0.2f);
    for (int j = 0; j < 5; ++j) connect(p, 16 + j, Layout::kFirstXY + j, Layout::kInputGain + j, 0.1f);
    for (int j = 0; j < 3; ++j) connect(p, 21 + j, Layout::kFirstXY + 5 + j, Layout::slotLevelTarget(j), 0.3f);
}

// Every source kind in use: XLFOs on filters and on each other, envelopes triggered by the input,
// the side chain and MIDI, followers on both inputs.
void allSources(KestrumPlugin& p) {
    p.xlfos.getNumActive().setValue(6.0f, 0);
    p.egs.getNumActive().setValue(6.0f, 0);
    p.efs.getNumActive().setValue(4.0f, 0);
    for (int k = 0; k < 6; ++k) {
        p.xlfos.at(k).steps.getNumActive().setValue(static_cast<float>(4 + 2 * k), 0);
        for (int s = 0; s < 16; ++s) {
            p.xlfos.at(k).steps.at(s).value.setValue(std::sin(static_cast<float>(s + k)), 0);
            p.xlfos.at(k).steps.at(s).glide.setValue(0.3f, 0);
        }
        p.xlfos.at(k).frequency.setPlainValue(0.3f + 1.7f * static_cast<float>(k), 0);
        p.egs.at(k).triggering.setValue(static_cast<float>(k % 2), 0);
        p.egs.at(k).threshold.setValue(0.45f, 0);
        p.egs.at(k).attack.setPlainValue(0.01f, 0);
        p.egs.at(k).release.setPlainValue(0.1f, 0);
    }
    p.xlfos.at(5).syncMode.setValue(static_cast<float>(XLFOEnums::Eighth), 0);
    p.efs.at(3).input.setValue(1.0f, 0);
    const int connections[24][2] = {
        {Layout::kFirstXLFO, Layout::filterTarget(0, FilterTarget::Freq)},     {Layout::kFirstXLFO + 1, Layout::filterTarget(1, FilterTarget::Freq)},
        {Layout::kFirstXLFO + 2, Layout::filterTarget(2, FilterTarget::Pan)}, {Layout::kFirstXLFO + 3, Layout::filterTarget(3, FilterTarget::Peak)},
        {Layout::kFirstXLFO + 4, Layout::xlfoTarget(0, XLFOTarget::Frequency)},   {Layout::kFirstXLFO + 5, Layout::egTarget(0, EGTarget::Attack)},
        {Layout::kFirstEG, Layout::filterTarget(0, FilterTarget::Peak)},       {Layout::kFirstEG + 1, Layout::filterTarget(1, FilterTarget::Delay)},
        {Layout::kFirstEG + 2, Layout::filterTarget(2, FilterTarget::Freq)},   {Layout::kFirstEG + 3, Layout::kMix},
        {Layout::kFirstEG + 4, Layout::xlfoTarget(1, XLFOTarget::Glide)},     {Layout::kFirstEG + 5, Layout::filterTarget(3, FilterTarget::Freq)},
        {Layout::kFirstEF, Layout::filterTarget(0, FilterTarget::Pan)},       {Layout::kFirstEF + 1, Layout::kOutputGain},
        {Layout::kFirstEF + 2, Layout::xlfoTarget(2, XLFOTarget::PhaseOffset)},     {Layout::kFirstEF + 3, Layout::egTarget(1, EGTarget::Sustain)},
        {Layout::kFirstXY, Layout::filterTarget(1, FilterTarget::Pan)},       {Layout::kFirstXY + 1, Layout::kInputPan},
        {Layout::kFirstMidi, Layout::filterTarget(2, FilterTarget::Peak)},     {Layout::kFirstMidi + 1, Layout::kOutputPan},
        {Layout::kFirstXLFO, Layout::slotLevelTarget(6)},     {Layout::kFirstXLFO + 1, Layout::filterTarget(3, FilterTarget::Delay)},
        {Layout::kFirstEF, Layout::slotLevelTarget(0)},       {Layout::kFirstXLFO + 2, Layout::kInputGain},
    };
    for (int s = 0; s < 24; ++s) connect(p, s, connections[s][0], connections[s][1], 0.25f);
}

void run(benchmark::State& state, int block, Setting setting) {
    KestrumPlugin plugin(2);
    plugin.setSampleRate(kSampleRate);
    const bool full = setting == Setting::AllSources;
    const bool moving = setting == Setting::XYSlots;
    if (setting == Setting::OneFilter24) {
        oneFilter(plugin, kGentle, FilterEnums::Slope24);
    } else if (setting == Setting::Clean48) {
        oneFilter(plugin, MultiDesignFilter::kClean, FilterEnums::Slope48);
    } else {
        fourSteepFilters(plugin);
        if (full) {
            allSources(plugin);
        } else {
            xySlots(plugin);
        }
    }
    plugin.reset();

    // A second of programme material: tones with a tremolo, so the detectors open and close.
    std::vector<float> left(kInputFrames + 512), right(kInputFrames + 512), side(kInputFrames + 512);
    for (size_t i = 0; i < left.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double tremolo = 0.5 + 0.5 * std::sin(2.0 * M_PI * 2.0 * t);
        left[i] = static_cast<float>(0.5 * tremolo * std::sin(2.0 * M_PI * 220.0 * t));
        right[i] = static_cast<float>(0.5 * tremolo * std::sin(2.0 * M_PI * 331.0 * t));
        side[i] = static_cast<float>(0.8 * (1.0 - tremolo) * std::sin(2.0 * M_PI * 97.0 * t));
    }
    std::vector<float> out0(static_cast<size_t>(block)), out1(static_cast<size_t>(block));
    float* outs[2] = {out0.data(), out1.data()};
    plugin.setSideChainConnected(full);

    for (int s = 0; s < Layout::kNumSlots && (full || moving); ++s) {
        if (plugin.getModulationMatrix()->getSlotState(s) != ModulationMatrix::kActive) {
            state.SkipWithError("not every slot is active");
            return;
        }
    }

    long long frames = 0;
    long position = 0;
    int blocks = 0;
    for (auto _ : state) {
        if (moving) {
            // The XY pads move all the time: every target's ramp runs.
            const float x = std::sin(0.01f * static_cast<float>(blocks));
            for (int k = 0; k < 4; ++k) {
                plugin.xyControllers.at(k).hor.setValue(x, 0);
                plugin.xyControllers.at(k).ver.setValue(-x, 0);
            }
        }
        const float* ins[4] = {left.data() + position, right.data() + position, side.data() + position,
                               side.data() + position};
        plugin.setTransport(120.0f, static_cast<float>(frames) * 2.0f / kSampleRate);
        plugin.processBlock(ins, full ? 4 : 2, outs, 2, block);
        benchmark::DoNotOptimize(out0.data());
        benchmark::ClobberMemory();
        frames += block;
        position = (position + block) % kInputFrames;
        ++blocks;
    }
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime-x"] =
        benchmark::Counter(static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsRate);
}

void BM_FourFilters48dB_XYSlots_Block64(benchmark::State& state) { run(state, 64, Setting::XYSlots); }
void BM_FourFilters48dB_XYSlots_Block512(benchmark::State& state) { run(state, 512, Setting::XYSlots); }
void BM_FullProduct_AllSources_Block512(benchmark::State& state) { run(state, 512, Setting::AllSources); }
void BM_OneFilter24dB_Block512(benchmark::State& state) { run(state, 512, Setting::OneFilter24); }
void BM_OneClean48dB_Block512(benchmark::State& state) { run(state, 512, Setting::Clean48); }

}  // namespace

BENCHMARK(BM_FourFilters48dB_XYSlots_Block64);
BENCHMARK(BM_FourFilters48dB_XYSlots_Block512);
BENCHMARK(BM_FullProduct_AllSources_Block512);
BENCHMARK(BM_OneFilter24dB_Block512);
BENCHMARK(BM_OneClean48dB_Block512);
BENCHMARK(bare::BareRecurrence)->Arg(2)->Arg(3);
