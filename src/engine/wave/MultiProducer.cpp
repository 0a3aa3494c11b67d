#include "engine/wave/MultiProducer.h"

#include <algorithm>

namespace wave {

MultiProducer::Output::Output(MultiProducer& owner, int index)
    : Producer(owner.getEnvironment(), kNoBuffer), owner_(owner), index_(index) {}

void MultiProducer::Output::render(Buffer&, int frames, int flags) { owner_.renderOnce(frames, flags); }

MultiProducer::MultiProducer(Environment& environment, int numOutputs)
    : environment_(environment), numOutputs_(std::clamp(numOutputs, 1, kMaxOutputs)) {
    for (int i = 0; i < numOutputs_; ++i) {
        buffers_[i] = std::make_unique<Buffer>(environment.getBlockSize());
        bufferPointers_[i] = buffers_[i].get();
        outputs_[i] = std::make_unique<Output>(*this, i);
        outputs_[i]->publish(&environment.silence(), true);
    }
}

void MultiProducer::renderOnce(int frames, int flags) {
    if (blockStamp_ == environment_.getBlockCounter()) return;
    blockStamp_ = environment_.getBlockCounter();
    renderAll(bufferPointers_.data(), frames, flags);
}

}  // namespace wave
