// Cost of the modulation matrix per sample frame at 48 kHz, block 512: all 113 target controllers
// pulled every block with 24 active slots. Two variants: every source varying per sample (the
// worst case, every target that has a slot computed per sample) and every source constant (the
// constant path, one value per block). The sources alone are measured too: the matrix's own cost
// is the varying case minus that.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Float4.h"
#include "engine/wave/FloatParameterSource.h"
#include "modulation/ModulationLayout.h"
#include "modulation/ModulationMatrix.h"

namespace {

constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;

// A slow triangle per source, each at its own rate, four samples at a time (cheap, so the matrix
// dominates the cost).
class Wobble : public wave::Source {
public:
    Wobble(wave::Environment& environment, float hz)
        : Source(environment), increment_(hz / kSampleRate), phase_(0.0f, increment_, 2.0f * increment_, 3.0f * increment_) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        using wave::Float4;
        // Each group's phase comes from the block's start, so the groups do not wait on each other.
        const Float4 step(4.0f * increment_);
        Float4 offset(0.0f);
        for (int i = 0; i < frames; i += 4) {
            Float4 phase = phase_ + offset;
            phase = phase - floor(phase);
            (Float4(4.0f) * abs(phase - Float4(0.5f)) - Float4(1.0f)).store(buffer.data() + i);
            offset = offset + step;
        }
        phase_ = phase_ + offset;
        phase_ = phase_ - floor(phase_);
        setConstant(false);
    }

private:
    float increment_;
    wave::Float4 phase_;
};

void runMatrix(benchmark::State& state, bool varying) {
    using Layout = ModulationLayout;
    wave::Environment env(kBlock);
    env.setSampleRate(kSampleRate);
    std::unique_ptr<ModulationMatrix> matrix = Layout::create(env);

    std::vector<std::unique_ptr<wave::Producer>> sources;
    for (int s = 0; s < Layout::kNumSources; ++s) {
        if (varying) {
            sources.push_back(std::make_unique<Wobble>(env, 0.5f + 0.37f * static_cast<float>(s)));
        } else {
            auto constant = std::make_unique<wave::FloatParameterSource>(env, 0.0f);
            constant->ramp().setLimits(-1.0f, 1.0f);
            constant->setTarget(0.1f * static_cast<float>(s % 10) - 0.5f, 0.0f);
            sources.push_back(std::move(constant));
        }
        matrix->registerSourceProducer(s, sources.back().get());
    }

    // 24 slots: every source kind on the filters and gains, XY and MIDI sources on source
    // parameters, and six slots on the levels of others (second order).
    const int kinds[5] = {Layout::kFirstXLFO, Layout::kFirstEG, Layout::kFirstEF, Layout::kFirstXY, Layout::kFirstMidi};
    const int sourceTargets[6] = {Layout::xlfoTarget(0, XLFOTarget::Frequency), Layout::xlfoTarget(1, XLFOTarget::PhaseOffset), Layout::egTarget(0, EGTarget::Attack),
                                  Layout::egTarget(2, EGTarget::Sustain),   Layout::efTarget(0, EFTarget::Release),   Layout::xlfoTarget(5, XLFOTarget::FrequencyOffset)};
    ModulationMatrix::InternalController& slots = matrix->getController();
    for (int s = 0; s < Layout::kNumSlots; ++s) {
        int source, target;
        if (s < 12) {
            source = kinds[s % 5] + s % 4;
            target = s < 9 ? 1 + (s * 5) % 15 : Layout::kInputGain + s % 5;
        } else if (s < 18) {
            source = s % 2 ? Layout::kFirstXY + s % 8 : Layout::kFirstMidi + s % 10;
            target = sourceTargets[s - 12];
        } else {
            source = Layout::kFirstMidi + s - 18;
            target = Layout::slotLevelTarget(s - 18);
        }
        slots.setSource(s, source);
        slots.setTarget(s, target);
        matrix->setTargetValue(matrix->getLevelTarget(s), 0.3f, 0.0f);
    }
    int active = 0;
    for (int s = 0; s < Layout::kNumSlots; ++s) active += matrix->getSlotState(s) == ModulationMatrix::kActive;
    if (active != Layout::kNumSlots) state.SkipWithError("not every slot is active");

    std::vector<wave::Producer*> controllers;
    for (int t = 0; t < Layout::kNumTargets; ++t) controllers.push_back(matrix->getTargetController(t));

    long long frames = 0;
    for (auto _ : state) {
        env.advanceBlock();
        for (wave::Producer* c : controllers) benchmark::DoNotOptimize(c->pull(kBlock, 0)->data());
        env.run(kBlock, 0);
        benchmark::ClobberMemory();
        frames += kBlock;
    }
    // Frames per second, inverted: seconds per frame (printed with its prefix, e.g. "3.2ns").
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["audio-seconds"] =
        benchmark::Counter(static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsRate);
}

// The reference of the varying case: the 34 sources alone, no matrix.
void BM_SourcesOnly_Varying(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(kSampleRate);
    std::vector<std::unique_ptr<Wobble>> sources;
    for (int s = 0; s < ModulationLayout::kNumSources; ++s) {
        sources.push_back(std::make_unique<Wobble>(env, 0.5f + 0.37f * static_cast<float>(s)));
    }
    long long frames = 0;
    for (auto _ : state) {
        env.advanceBlock();
        for (auto& source : sources) benchmark::DoNotOptimize(source->pull(kBlock, 0)->data());
        env.run(kBlock, 0);
        benchmark::ClobberMemory();
        frames += kBlock;
    }
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Matrix113Targets24Slots_Varying(benchmark::State& state) { runMatrix(state, true); }
void BM_Matrix113Targets24Slots_Constant(benchmark::State& state) { runMatrix(state, false); }

}  // namespace

BENCHMARK(BM_Matrix113Targets24Slots_Varying);
BENCHMARK(BM_Matrix113Targets24Slots_Constant);
BENCHMARK(BM_SourcesOnly_Varying);
