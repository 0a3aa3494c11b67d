#include "engine/mixing/VolumeFilter.h"

#include "engine/mixing/GainKernels.h"
#include "platform/Tolerance.h"

using namespace wave;

VolumeFilter::VolumeFilter(Environment& environment)
    : Filter(environment, 0, kSkip | kPriorityZero), gain_(environment, 1.0f), gainSource_(&gain_) {}

bool VolumeFilter::pullGains(int frames, int flags) {
    gainBuffer_ = gainSource_->pull(frames, flags);
    gainConstant_ = gainSource_->isConstant();
    if (gainConstant_ && nearlyEqual((*gainBuffer_)[0], 0.0f)) return false;
    secondBuffer_ = nullptr;
    secondConstant_ = true;
    if (secondGain_) {
        secondBuffer_ = secondGain_->pull(frames, flags);
        secondConstant_ = secondGain_->isConstant();
        if (secondConstant_ && nearlyEqual((*secondBuffer_)[0], 0.0f)) return false;
    }
    return true;
}

void VolumeFilter::render(Buffer& buffer, int frames, int flags) {
    if (muteController_ && muteController_->shouldMute(buffer, frames, flags)) {
        // The input chain is asked with the skip flag: it keeps its time but computes nothing.
        Filter::render(buffer, frames, flags | kSkip);
        outputSilence();
        return;
    }
    if (flags & kSkip) {
        Filter::render(buffer, frames, flags);
        return;
    }
    // Gains first, so that a closed stage never pulls its input.
    if (!pullGains(frames, flags)) {
        outputSilence();
        return;
    }
    if (gainConstant_ && secondConstant_) {
        float g = (*gainBuffer_)[0] * (secondBuffer_ ? (*secondBuffer_)[0] : 1.0f);
        if (nearlyEqual(g, 1.0f)) {
            Buffer* in = pullInput(getEnvironment(), frames, flags);
            setOutput(in);
            setConstant(getInput() ? getInput()->isConstant() : true);
            return;
        }
    }
    Filter::render(buffer, frames, flags);
}

void VolumeFilter::processFilter(const Buffer& in, Buffer& out, int frames, int flags) {
    if (flags & kSkip) return;
    // Pulling again is free within a block; it keeps processFilter usable on its own.
    if (!pullGains(frames, flags)) {
        outputSilence();
        return;
    }
    const float* x = in.data();
    float* y = out.data();
    if (gainConstant_ && secondConstant_) {
        gain_kernels::scale(y, x, (*gainBuffer_)[0] * (secondBuffer_ ? (*secondBuffer_)[0] : 1.0f), frames);
    } else if (!secondBuffer_) {
        gain_kernels::multiply(y, x, gainBuffer_->data(), frames);
    } else {
        // A constant gain's buffer holds its value in every sample, so both read per sample here.
        gain_kernels::multiply(y, x, gainBuffer_->data(), secondBuffer_->data(), frames);
    }
    Producer* input = getInput();
    bool inputConstant = input ? (input->getOutput() == &in && input->isConstant()) : (&in == &getEnvironment().silence());
    setConstant(inputConstant && gainConstant_ && secondConstant_);
}
