// Cost of the time-based modulation sources per sample frame at 48 kHz, block 512, all running
// together as in the plug-in: six XLFOs (16 steps, glides of every shape, some random steps,
// different rates, two tempo-synced), six envelope generators retriggered by audio onsets, and
// four envelope followers on a level signal, sharing its conversion to dB as in the plug-in.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "modulation/EnvelopeFollower.h"
#include "modulation/EnvelopeGenerator.h"
#include "modulation/LevelDecibels.h"
#include "modulation/Trigger.h"
#include "modulation/XLFO.h"
#include "modulation/XLFOFreqController.h"

namespace {

constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;

// A peak-level signal: bursts of a decaying sine, one every 0.25 s.
class Level : public wave::Source {
public:
    explicit Level(wave::Environment& environment) : Source(environment) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++time_) {
            const long phase = time_ % 12000;
            buffer[i] = std::fabs(std::sin(0.03f * static_cast<float>(phase))) * std::exp(-0.0005f * static_cast<float>(phase));
        }
    }

private:
    long time_ = 0;
};

void BM_Sources(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(kSampleRate);
    Level level(env);

    std::vector<std::unique_ptr<XLFO>> xlfos;
    std::vector<std::unique_ptr<XLFOFreqController>> controllers;
    for (int k = 0; k < 6; ++k) {
        auto& x = xlfos.emplace_back(std::make_unique<XLFO>(env));
        auto& c = controllers.emplace_back(std::make_unique<XLFOFreqController>(env, *x));
        x->setFrequencyInput(c.get());
        x->stepCount().set(16);
        for (int a = 0; a < XLFO::kMaxSteps; ++a) {
            x->step(a).value().set(std::sin(static_cast<float>(a + k)));
            x->step(a).glide().set(0.25f * static_cast<float>((a + k) % 5));
            x->step(a).glideFunction().set(static_cast<XLFO::GlideCurve>(a % 4));
            x->step(a).random().set((a + k) % 5 == 0);
        }
        c->freeFrequencyParameter().setTarget(0.5f + 3.0f * static_cast<float>(k), 0.0f);
        if (k >= 4) c->syncMode().set(k == 4 ? XLFOFreqController::Quarter : XLFOFreqController::Sixteenth);
    }

    std::vector<std::unique_ptr<Trigger>> triggers;
    std::vector<std::unique_ptr<EnvelopeGenerator>> generators;
    for (int k = 0; k < 6; ++k) {
        auto& t = triggers.emplace_back(std::make_unique<Trigger>(env));
        auto& g = generators.emplace_back(std::make_unique<EnvelopeGenerator>(env));
        t->setInput(&level);
        t->threshold().set(0.3f + 0.05f * static_cast<float>(k));
        g->setTrigger(t.get());
        g->parameter(EnvelopeGenerator::Attack).setTarget(0.005f * static_cast<float>(k + 1), 0.0f);
        g->parameter(EnvelopeGenerator::Decay).setTarget(0.1f, 0.0f);
        g->parameter(EnvelopeGenerator::Sustain).setTarget(0.5f, 0.0f);
        g->parameter(EnvelopeGenerator::Release).setTarget(0.05f, 0.0f);
    }

    LevelDecibelStage decibels(env);
    decibels.setInput(&level);
    std::vector<std::unique_ptr<EnvelopeFollower>> followers;
    for (int k = 0; k < 4; ++k) {
        auto& f = followers.emplace_back(std::make_unique<EnvelopeFollower>(env));
        f->setInput(&level);
        f->shareConversion(&decibels);
        f->attackParameter().setTarget(0.001f * static_cast<float>(k + 1), 0.0f);
        f->releaseParameter().setTarget(0.1f * static_cast<float>(k + 1), 0.0f);
    }

    int64_t frames = 0;
    double quarters = 0.0;
    for (auto _ : state) {
        for (auto& c : controllers) c->setTempo(120.0f, static_cast<float>(quarters));
        quarters += kBlock / kSampleRate * 2.0;
        env.advanceBlock();
        for (auto& x : xlfos) benchmark::DoNotOptimize(x->pull(kBlock, 0)->data());
        for (auto& g : generators) benchmark::DoNotOptimize(g->pull(kBlock, 0)->data());
        for (auto& f : followers) benchmark::DoNotOptimize(f->pull(kBlock, 0)->data());
        env.run(kBlock, 0);
        benchmark::ClobberMemory();
        frames += kBlock;
    }
    // Seconds per frame for all sixteen sources together (printed with its prefix, e.g. "900ns").
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["audio-seconds"] =
        benchmark::Counter(static_cast<double>(frames) / kSampleRate, benchmark::Counter::kIsRate);
}

// A signal that changes every sample: a slow sine around `centre`.
class Wobble : public wave::Source {
public:
    Wobble(wave::Environment& environment, float centre, float depth, float speed)
        : Source(environment), centre_(centre), depth_(depth), speed_(speed) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i, ++time_) buffer[i] = centre_ + depth_ * std::sin(speed_ * static_cast<float>(time_));
        setConstant(false);
    }

private:
    float centre_, depth_, speed_;
    long time_ = 0;
};

// Two step LFOs as a modulation slot drives them: one with a modulated rate, one with a modulated
// phase offset (16 steps, glides of every shape, some random steps); the time includes the two
// input signals.
void BM_XLFO_ModulatedRateAndOffset(benchmark::State& state) {
    wave::Environment env(kBlock);
    env.setSampleRate(kSampleRate);
    Wobble rate(env, 9.0f, 6.0f, 0.0004f);
    Wobble offset(env, 0.0f, 0.8f, 0.0002f);
    XLFO byRate(env), byOffset(env);
    byRate.setFrequencyInput(&rate);
    byOffset.setPhaseOffsetInput(&offset);
    byOffset.frequencyParameter().setTarget(4.0f, 0.0f);
    for (XLFO* x : {&byRate, &byOffset}) {
        for (int a = 0; a < XLFO::kMaxSteps; ++a) {
            x->step(a).value().set(std::sin(static_cast<float>(a)));
            x->step(a).glide().set(0.25f * static_cast<float>(a % 5));
            x->step(a).glideFunction().set(static_cast<XLFO::GlideCurve>(a % 4));
            x->step(a).random().set(a % 5 == 0);
        }
    }
    int64_t frames = 0;
    for (auto _ : state) {
        env.advanceBlock();
        benchmark::DoNotOptimize(byRate.pull(kBlock, 0)->data());
        benchmark::DoNotOptimize(byOffset.pull(kBlock, 0)->data());
        env.run(kBlock, 0);
        benchmark::ClobberMemory();
        frames += kBlock;
    }
    // Seconds per frame for both LFOs and their two input signals.
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_Sources);
BENCHMARK(BM_XLFO_ModulatedRateAndOffset);
