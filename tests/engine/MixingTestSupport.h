#pragma once
// Small graph pieces for the mixing-stage tests.
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Producer.h"

namespace mixing_test {

// Plays a fixed sample sequence, block after block, and counts how often it was rendered, so
// tests can tell whether a stage pulled it.
class Signal : public wave::Source {
public:
    Signal(wave::Environment& environment, std::vector<float> samples, bool constant = false)
        : Source(environment), samples_(std::move(samples)), constant_(constant) {}

    void render(wave::Buffer& buffer, int frames, int flags) override {
        ++renders;
        if (flags & wave::kSkip) return;
        for (int i = 0; i < frames; ++i) buffer[i] = samples_.empty() ? 0.0f : samples_[(position_ + i) % samples_.size()];
        position_ += static_cast<size_t>(frames);
        setConstant(constant_);
    }

    int renders = 0;

private:
    std::vector<float> samples_;
    size_t position_ = 0;
    bool constant_;
};

// One processing chunk the way the framework runs it: new block, pull the output, per-block work.
inline wave::Buffer* runBlock(wave::Environment& environment, wave::Producer& output, int frames) {
    environment.advanceBlock();
    wave::Buffer* result = output.pull(frames, 0);
    environment.run(frames, 0);
    return result;
}

}  // namespace mixing_test
