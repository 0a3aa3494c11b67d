#pragma once
// Graph pieces shared by the modulation source tests.
#include <algorithm>
#include <functional>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Producer.h"

namespace source_test {

// A signal given as a function of the absolute sample index.
class Signal : public wave::Source {
public:
    Signal(wave::Environment& environment, std::function<float(long)> shape)
        : Source(environment), shape_(std::move(shape)) {}

    void render(wave::Buffer& buffer, int frames, int) override {
        for (int i = 0; i < frames; ++i) buffer[i] = shape_(time_ + i);
        time_ += frames;
        setConstant(false);
    }
    void setShape(std::function<float(long)> shape) { shape_ = std::move(shape); }

private:
    std::function<float(long)> shape_;
    long time_ = 0;
};

// One processing chunk as the framework runs it: new block, pull, per-block work.
inline const float* runBlock(wave::Environment& environment, wave::Producer& output, int frames) {
    environment.advanceBlock();
    const float* result = output.pull(frames, 0)->data();
    environment.run(frames, 0);
    return result;
}

// Renders `total` samples in blocks of `block` and returns them; `beforeBlock(start)` runs
// before each block (start = index of its first sample).
inline std::vector<float> render(wave::Environment& environment, wave::Producer& output, long total, int block,
                                 const std::function<void(long)>& beforeBlock = {}) {
    std::vector<float> samples;
    samples.reserve(static_cast<size_t>(total));
    for (long start = 0; start < total; start += block) {
        const int frames = static_cast<int>(std::min<long>(block, total - start));
        if (beforeBlock) beforeBlock(start);
        const float* out = runBlock(environment, output, frames);
        samples.insert(samples.end(), out, out + frames);
    }
    return samples;
}

}  // namespace source_test
