#pragma once
// Design-filter slots as the product runs them, outside the product's graph: each slot's design
// filter computes its left and right filter in one four-lane pass, and slot k + 1 takes slot k's
// output, as serial routing does. Nothing else runs: no delay lines, no routers, no mixers, no
// modulation. It shows what the filters alone cost, the floor under a product row with the same
// filters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "filters/MultiDesignFilter.h"
#include "BareRecurrence.h"

namespace bench_chain {

// A source that repeats one block of noise.
class NoiseSource : public wave::Source {
public:
    NoiseSource(wave::Environment& env, unsigned seed) : wave::Source(env), block_(bare::noiseBlock(seed)) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        std::copy(block_.begin(), block_.begin() + frames, buffer.data());
    }

private:
    std::vector<float> block_;
};

class DesignSlotChain {
public:
    // slope: the filters' slope property (1, 2, 3 for 12, 24, 48 dB/octave); frequency in log2 Hz
    // for the first slot, half an octave higher for each further one; peak 0..1.
    DesignSlotChain(int slots, int characteristic, int slope, float frequency, float peak)
        : env_(bare::kBlock), left_(env_, 6), right_(env_, 7) {
        env_.setSampleRate(48000.0f);
        wave::Producer* inputs[2] = {&left_, &right_};
        for (int k = 0; k < slots; ++k) {
            units_.push_back(std::make_unique<MultiDesignFilter::ParallelUnit>(env_, MultiDesignFilter::Style::shared()));
            for (int c = 0; c < 2; ++c) {
                auto f = std::make_unique<MultiDesignFilter>(*units_.back());
                f->setInput(inputs[c]);
                f->characteristic.set(characteristic);
                f->slope.set(slope);
                f->frequencySource().setTarget(frequency + 0.5f * static_cast<float>(k), 0.0f);
                f->peakSource().setTarget(peak, 0.0f);
                inputs[c] = f.get();
                filters_.push_back(std::move(f));
            }
        }
        outputs_[0] = inputs[0];
        outputs_[1] = inputs[1];
    }

    // One block through every slot (pulling the last slot pulls the chain).
    void run() {
        env_.advanceBlock();
        benchmark::DoNotOptimize(outputs_[0]->pull(bare::kBlock, 0));
        benchmark::DoNotOptimize(outputs_[1]->pull(bare::kBlock, 0));
        env_.run(bare::kBlock, 0);
    }

private:
    wave::Environment env_;
    NoiseSource left_, right_;
    std::vector<std::unique_ptr<MultiDesignFilter::ParallelUnit>> units_;
    std::vector<std::unique_ptr<MultiDesignFilter>> filters_;
    wave::Producer* outputs_[2];
};

// Counter ns/frame (a frame is both channels).
inline void setFrames(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * bare::kBlock);
    state.counters["ns/frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * bare::kBlock,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace bench_chain
