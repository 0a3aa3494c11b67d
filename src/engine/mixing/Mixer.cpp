#include "engine/mixing/Mixer.h"

#include <algorithm>
#include <cmath>

#include "engine/mixing/GainKernels.h"
#include "platform/Tolerance.h"

using namespace wave;

Mixer::Mixer(Environment& environment, int inputCount, int type)
    : Source(environment), inputCount_(this, inputCount, 0, kMaxInputs), type_(this, type, kSum, kMinimum) {
    inputs_.reserve(kMaxInputs);
    active_.reserve(kMaxInputs);
    rebuildInputs();
}

Mixer::~Mixer() = default;

void Mixer::rebuildInputs() {
    const int count = inputCount_.get();
    for (int i = 0; i < count; ++i) {
        if (i == static_cast<int>(inputs_.size())) {
            inputs_.push_back(std::make_unique<Input>(getEnvironment()));
            continue;
        }
        // Reused storage comes back as a fresh input would be.
        Input& in = *inputs_[static_cast<size_t>(i)];
        in.producer = nullptr;
        in.gainSource = &in.gain;
        in.gain.ramp().setLimits(0.0f, 1.0f);
        in.gain.setTarget(1.0f, 0.0f);
        in.gain.ramp().jumpToEnd();
    }
}

void Mixer::setInput(int index, Producer* producer) {
    if (index >= 0 && index < getInputCount()) input(index).producer = producer;
}

Producer* Mixer::getInput(int index) const {
    return index >= 0 && index < getInputCount() ? inputs_[static_cast<size_t>(index)]->producer : nullptr;
}

FloatParameterSource& Mixer::gainParameter(int index) { return inputs_.at(static_cast<size_t>(index))->gain; }

void Mixer::setGainSource(int index, Producer* source) {
    if (index < 0 || index >= getInputCount()) return;
    Input& in = input(index);
    in.gainSource = source ? source : &in.gain;
}

Producer* Mixer::getGainSource(int index) const {
    return index >= 0 && index < getInputCount() ? inputs_[static_cast<size_t>(index)]->gainSource : nullptr;
}

void Mixer::propertyChanged(PropertyBase* property) {
    if (property == &inputCount_) rebuildInputs();
}

void Mixer::render(Buffer& buffer, int frames, int flags) {
    if (flags & kSkip) return;
    if (type_ == kSum) {
        renderSum(buffer, frames);
    } else {
        renderCombined(buffer, frames, type_);
    }
}

void Mixer::renderSum(Buffer& buffer, int frames) {
    // Gains first: inputs at a constant 0 are not pulled.
    active_.clear();
    for (int i = 0; i < getInputCount(); ++i) {
        Input& in = input(i);
        if (!in.producer) continue;
        const Buffer* gain = in.gainSource->pull(frames, 0);
        in.gainSamples = gain->data();
        in.gainConstant = in.gainSource->isConstant();
        if (in.gainConstant && nearlyEqual(in.gainSamples[0], 0.0f)) continue;
        active_.push_back(&in);
    }
    if (active_.empty()) {
        outputSilence();
        return;
    }
    if (active_.size() == 1 && active_[0]->gainConstant && nearlyEqual(active_[0]->gainSamples[0], 1.0f)) {
        Producer* lone = active_[0]->producer;
        setOutput(lone->pull(frames, 0));
        setConstant(lone->isConstant());
        return;
    }
    bool constant = true;
    bool first = true;
    for (Input* in : active_) {
        const Buffer* samples = in->producer->pull(frames, 0);
        gain_kernels::scaleOrAdd(!first, buffer.data(), samples->data(), in->gainSamples, in->gainConstant, frames);
        constant = constant && in->gainConstant && in->producer->isConstant();
        first = false;
    }
    setOutput(&buffer);
    setConstant(constant);
}

template <class Start, class Combine>
void Mixer::combine(float* out, int frames, Start start, Combine step) {
    const Input& first = *active_[0];
    const size_t count = active_.size();
    const int n = Buffer::groups(frames) * 4;
    if (count == 2 && first.gainConstant && active_[1]->gainConstant) {
        // A stereo pair at held gains (the common case): the gains stay in registers.
        const Input& second = *active_[1];
        const Float4 g0(first.gainSamples[0]), g1(second.gainSamples[0]);
        for (int i = 0; i < n; i += 4) {
            step(start(Float4::load(first.samples + i), g0), Float4::load(second.samples + i) * g1).store(out + i);
        }
        return;
    }
    for (int i = 0; i < n; i += 4) {
        Float4 value = start(Float4::load(first.samples + i), gainAt(first, i));
        for (size_t k = 1; k < count; ++k) {
            const Input& in = *active_[k];
            value = step(value, Float4::load(in.samples + i) * gainAt(in, i));
        }
        value.store(out + i);
    }
}

void Mixer::combineHeldRatio(float* out, int frames) {
    const Input& first = *active_[0];
    const size_t count = active_.size();
    alignas(16) float value[4];
    alignas(16) float magnitude[kMaxInputs][4];
    for (int i = 0, n = Buffer::groups(frames) * 4; i < n; i += 4) {
        (abs(Float4::load(first.samples + i)) * gainAt(first, i)).store(value);
        for (size_t k = 1; k < count; ++k) {
            const Input& in = *active_[k];
            abs(Float4::load(in.samples + i) * gainAt(in, i)).store(magnitude[k]);
        }
        // Each quotient depends on the one held before it, so the lanes are resolved in sample
        // order; lanes past the block's end must not touch the held value.
        const int validLanes = std::min(4, frames - i);
        for (int lane = 0; lane < validLanes; ++lane) {
            float v = value[lane];
            for (size_t k = 1; k < count; ++k) {
                float m = magnitude[k][lane];
                if (m > kRatioFloor) heldQuotient_ = v / m;  // m > floor, so max(m, floor) = m
                v = heldQuotient_;
            }
            value[lane] = v;
        }
        Float4::load(value).store(out + i);
    }
}

void Mixer::renderCombined(Buffer& buffer, int frames, int type) {
    active_.clear();
    bool constant = true;
    for (int i = 0; i < getInputCount(); ++i) {
        Input& in = input(i);
        if (!in.producer) continue;
        const Buffer* gain = in.gainSource->pull(frames, 0);
        in.gainSamples = gain->data();
        in.gainConstant = in.gainSource->isConstant();
        in.samples = in.producer->pull(frames, 0)->data();
        constant = constant && in.gainConstant && in.producer->isConstant();
        active_.push_back(&in);
    }
    if (active_.empty()) {
        outputSilence();
        return;
    }

    const Float4 zero(0.0f), one(1.0f), ratioFloor(kRatioFloor);
    auto signedStart = [](Float4 v, Float4 g) { return v * g; };
    auto magnitudeStart = [](Float4 v, Float4 g) { return abs(v) * g; };
    float* out = buffer.data();
    switch (type) {
        case kDifference:
            combine(out, frames, signedStart, [](Float4 acc, Float4 x) { return acc - x; });
            break;
        case kPeak:
            combine(out, frames, magnitudeStart, [](Float4 acc, Float4 x) { return max(acc, abs(x)); });
            break;
        case kProduct:
            combine(out, frames, signedStart, [](Float4 acc, Float4 x) { return acc * x; });
            break;
        case kLimitedRatio:
            combine(out, frames, magnitudeStart, [&](Float4 acc, Float4 x) {
                Float4 magnitude = abs(x);
                Float4 nonZero = lessThan(zero, magnitude);
                Float4 quotient = clamp(acc / select(nonZero, magnitude, one), zero, one);
                return select(nonZero, quotient, zero);
            });
            break;
        case kRatio:
            combine(out, frames, magnitudeStart,
                    [&](Float4 acc, Float4 x) { return max(acc, ratioFloor) / max(abs(x), ratioFloor); });
            break;
        case kHeldRatio:
            combineHeldRatio(out, frames);
            break;
        case kMaximum:
            combine(out, frames, signedStart, [](Float4 acc, Float4 x) { return max(acc, x); });
            break;
        case kMinimum:
            combine(out, frames, signedStart, [](Float4 acc, Float4 x) { return min(acc, x); });
            break;
        default:
            outputSilence();
            return;
    }
    setOutput(&buffer);
    setConstant(constant);
}
