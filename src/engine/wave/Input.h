#pragma once
#include <cstdint>

#include "engine/wave/Producer.h"

namespace wave {

// The graph's audio input: copies samples from a host pointer set once per host buffer.
// Samples that are NaN or infinite arrive as 0, so nothing non-finite enters the graph.
// The read position follows the graph's clock: samples of chunks in which nobody pulled the input
// are passed over, so an input first pulled in the middle of a host buffer reads that chunk's
// samples, not those of the buffer's start.
class Input : public Producer {
public:
    explicit Input(Environment& environment) : Producer(environment) {}

    void setSource(const float* data, int remaining) {
        read_ = data;
        remaining_ = data ? remaining : 0;
        readTime_ = getEnvironment().getCurrentTime();
    }
    int getRemaining() const { return remaining_; }

    void render(Buffer& buffer, int frames, int flags) override;

private:
    const float* read_ = nullptr;
    int remaining_ = 0;
    // The graph time of the sample at read_.
    std::int64_t readTime_ = 0;
};

}  // namespace wave
