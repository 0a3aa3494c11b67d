#include "engine/mixing/EffectMixer.h"

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"

using namespace wave;

EffectMixer::EffectMixer(Environment& environment) : Mixer(environment, 2, kSum), mix_(environment, 0.0f), mixSource_(&mix_) {
    mix_.ramp().setLimits(-1.0f, 1.0f);
}

void EffectMixer::passOn(int index, int frames) {
    Producer* input = getInput(index);
    if (!input) {
        outputSilence();
        return;
    }
    setOutput(input->pull(frames, 0));
    setConstant(input->isConstant());
}

void EffectMixer::render(Buffer& buffer, int frames, int flags) {
    if (flags & kSkip) {
        outputSilence();
        return;
    }
    const Buffer* mixBuffer = mixSource_->pull(frames, 0);
    const bool mixConstant = mixSource_->isConstant();
    if (mixConstant) {
        float m = (*mixBuffer)[0];
        if (nearlyEqual(m, -1.0f)) return passOn(kDry, frames);
        if (nearlyEqual(m, 1.0f)) return passOn(kProcessed, frames);
    }

    Producer* dryInput = getInput(kDry);
    Producer* processedInput = getInput(kProcessed);
    const float* dry = dryInput ? dryInput->pull(frames, 0)->data() : getEnvironment().silence().data();
    const float* processed = processedInput ? processedInput->pull(frames, 0)->data() : getEnvironment().silence().data();
    const float* mix = mixBuffer->data();
    float* out = buffer.data();

    const Float4 zero(0.0f), one(1.0f), half(0.5f), lowest(-1.0f);
    const int n = Buffer::groups(frames) * 4;
    // A modulated mix value may overshoot; the laws are only meant for -1..1.
    auto mixAt = [&](int i) { return clamp(mixConstant ? Float4(mix[0]) : Float4::load(mix + i), lowest, one); };
    if (linearLaw_) {
        for (int i = 0; i < n; i += 4) {
            Float4 l = (mixAt(i) + one) * half;
            ((one - l) * Float4::load(dry + i) + l * Float4::load(processed + i)).store(out + i);
        }
    } else {
        for (int i = 0; i < n; i += 4) {
            Float4 m = mixAt(i);
            ((one - max(m, zero)) * Float4::load(dry + i) + (one + min(m, zero)) * Float4::load(processed + i))
                .store(out + i);
        }
    }
    setOutput(&buffer);
    setConstant(mixConstant && (!dryInput || dryInput->isConstant()) && (!processedInput || processedInput->isConstant()));
}
