#pragma once
#include "engine/wave/Consumer.h"
#include "engine/wave/Producer.h"

namespace wave {

class FilterBase : public Producer {
public:
    using Producer::Producer;
};

// A producer with one audio input: render() pulls the input and hands its output to processFilter().
class Filter : public FilterBase, public Consumer {
public:
    Filter(Environment& environment, int constructionFlags = 0, int flagMask = kSkip)
        : FilterBase(environment, constructionFlags), Consumer(flagMask) {}

    void render(Buffer& buffer, int frames, int flags) override {
        Buffer* in = pullInput(getEnvironment(), frames, flags);
        processFilter(*in, buffer, frames, flags);
    }
    virtual void processFilter(const Buffer& in, Buffer& out, int frames, int flags) = 0;
};

}  // namespace wave
