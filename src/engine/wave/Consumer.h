#pragma once
#include "engine/wave/Producer.h"

namespace wave {

// Holds one input producer (may be null). The input is asked with the caller's flags masked.
class Consumer {
public:
    explicit Consumer(int flagMask = kSkip) : flagMask_(flagMask) {}
    virtual ~Consumer() = default;

    Producer* getInput() const { return input_; }
    void setInput(Producer* input) { input_ = input; }
    // Address of the input field, for owners that rewire it (filter routing).
    Producer** inputField() { return &input_; }
    int getFlagMask() const { return flagMask_; }

protected:
    // The input's current output for this block; the silence buffer when there is no input.
    Buffer* pullInput(Environment& environment, int frames, int flags) {
        return input_ ? input_->pull(frames, flags & flagMask_) : &environment.silence();
    }

private:
    Producer* input_ = nullptr;
    int flagMask_;
};

// Asked once per block by a stage that has one whether it should output silence.
class MuteController {
public:
    virtual ~MuteController() = default;
    virtual bool shouldMute(const Buffer& buffer, int frames, int flags) = 0;
};

// Base of nodes that only consume (triggers).
class Output : public Component, public Consumer {
public:
    using Consumer::Consumer;
};

}  // namespace wave
