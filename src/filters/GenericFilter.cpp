#include "filters/GenericFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Tolerance.h"

using wave::Buffer;

GenericFilter::ParallelFilterUnit::~ParallelFilterUnit() {
    for (GenericFilter* member : members_) member->group_ = nullptr;
}

GenericFilter::GenericFilter(wave::Environment& environment)
    : wave::Filter(environment),
      frequencySource_(environment, 20.0f),
      mixSource_(environment, 1.0f),
      peakSource_(environment, 0.0f),
      frequency_(&frequencySource_),
      mix_(&mixSource_),
      peak_(&peakSource_) {
    mixSource_.ramp().setLimits(0.0f, 1.0f);
    peakSource_.ramp().setLimits(0.0f, 1.0f);
    registerReset();
}

GenericFilter::~GenericFilter() { leaveGroup(); }

bool GenericFilter::joinGroup(ParallelFilterUnit* group) {
    leaveGroup();
    if (!group) return false;
    if (static_cast<int>(group->members_.size()) >= ParallelFilterUnit::kMaxMembers) return false;
    group->members_.push_back(this);
    group_ = group;
    return true;
}

void GenericFilter::leaveGroup() {
    if (!group_) return;
    auto& members = group_->members_;
    members.erase(std::remove(members.begin(), members.end(), this), members.end());
    group_ = nullptr;
}

void GenericFilter::reset() {
    if (group_) {
        group_->reset();
    } else if (unit_) {
        unit_->reset();
    }
}

void GenericFilter::render(Buffer& buffer, int frames, int flags) {
    if (flags & wave::kSkip) return;
    if (!isComputed() && group_) {
        group_->slope.set(slope);
        group_->response.set(response);
        group_->processMembers(frames);
    }
    if (!isComputed()) wave::Filter::render(buffer, frames, flags);
    setOutput(currentOutput_);
    setConstant(outputConstant_);
}

void GenericFilter::processFilter(const Buffer& in, Buffer& out, int frames, int) {
    Streams s = controlStreams(in, frames);
    if (!s.active || !unit_) {
        passThrough();
        return;
    }
    unit_->slope.set(slope);
    unit_->response.set(response);
    unit_->process(in.data(), out.data(), s.frequency, s.peak, s.factor, frames, s.constant);
    deliver(out.data(), frames);
}

GenericFilter::Streams GenericFilter::fetchStreams(int frames) {
    const Buffer* in = pullInput(getEnvironment(), frames, 0);
    return controlStreams(*in, frames);
}

GenericFilter::Streams GenericFilter::controlStreams(const Buffer& in, int frames) {
    Streams s;
    currentInput_ = &in;
    s.input = in.data();
    const Buffer* mix = mix_->pull(frames, 0);
    mixValues_ = mix->data();
    mixConstant_ = mix_->isConstant();
    s.active = !(mixConstant_ && std::fabs(mixValues_[0]) <= wave::kTolerance);
    if (!s.active) return s;
    s.frequency = frequency_->pull(frames, 0)->data();
    s.peak = peak_->pull(frames, 0)->data();
    s.constant = frequency_->isConstant() && peak_->isConstant();
    if (autoMute.get() != 0 && factor_) {
        s.factor = factor_->pull(frames, 0)->data();
        s.factorConstant = factor_->isConstant();
    }
    return s;
}

void GenericFilter::deliver(const float* wet, int frames) {
    Buffer* own = getOwnBuffer();
    float* out = own->data();
    frames = std::clamp(frames, 0, own->capacity());
    if (mixConstant_ && wave::nearlyEqual(mixValues_[0], 1.0f)) {
        if (wet != out) std::memcpy(out, wet, sizeof(float) * static_cast<size_t>(frames));
    } else {
        const float* in = currentInput_->data();
        for (int i = 0; i < frames; ++i) out[i] = in[i] + (wet[i] - in[i]) * mixValues_[i];
    }
    markComputed(own, false);
}

void GenericFilter::passThrough() {
    // The input buffer belongs to another producer and is valid for this block.
    const Buffer* in = currentInput_ ? currentInput_ : &getEnvironment().silence();
    markComputed(const_cast<Buffer*>(in), false);
}

void GenericFilter::markComputed(Buffer* output, bool constant) {
    currentOutput_ = output;
    outputConstant_ = constant;
    computedStamp_ = getEnvironment().getBlockCounter();
}
