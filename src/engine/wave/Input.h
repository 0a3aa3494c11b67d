#pragma once
#include "engine/wave/Producer.h"

namespace wave {

// The graph's audio input: copies samples from a host pointer set once per host buffer.
// Samples that are NaN or infinite arrive as 0, so nothing non-finite enters the graph.
class Input : public Producer {
public:
    explicit Input(Environment& environment) : Producer(environment) {}

    void setSource(const float* data, int remaining) {
        read_ = data;
        remaining_ = data ? remaining : 0;
    }
    int getRemaining() const { return remaining_; }

    void render(Buffer& buffer, int frames, int flags) override;

private:
    const float* read_ = nullptr;
    int remaining_ = 0;
};

}  // namespace wave
