#pragma once
// Block loops shared by the gain, mix and routing stages. Every loop runs over whole groups of
// four (Buffer::groups), so it may touch up to three samples past `frames`; graph buffers are
// padded for that. Inputs and outputs are 16-byte aligned graph buffers.
#include "engine/wave/Buffer.h"
#include "engine/wave/Float4.h"

namespace gain_kernels {

using wave::Float4;

// out = g × in
inline void scale(float* out, const float* in, float g, int frames) {
    const Float4 gain(g);
    for (int i = 0, n = wave::Buffer::groups(frames) * 4; i < n; i += 4) (Float4::load(in + i) * gain).store(out + i);
}

// out = gain[i] × in
inline void multiply(float* out, const float* in, const float* gain, int frames) {
    for (int i = 0, n = wave::Buffer::groups(frames) * 4; i < n; i += 4)
        (Float4::load(in + i) * Float4::load(gain + i)).store(out + i);
}

// out = gain[i] × second[i] × in
inline void multiply(float* out, const float* in, const float* gain, const float* second, int frames) {
    for (int i = 0, n = wave::Buffer::groups(frames) * 4; i < n; i += 4)
        (Float4::load(in + i) * Float4::load(gain + i) * Float4::load(second + i)).store(out + i);
}

// out += g × in
inline void addScaled(float* out, const float* in, float g, int frames) {
    const Float4 gain(g);
    for (int i = 0, n = wave::Buffer::groups(frames) * 4; i < n; i += 4)
        (Float4::load(out + i) + Float4::load(in + i) * gain).store(out + i);
}

// out += gain[i] × in
inline void addMultiplied(float* out, const float* in, const float* gain, int frames) {
    for (int i = 0, n = wave::Buffer::groups(frames) * 4; i < n; i += 4)
        (Float4::load(out + i) + Float4::load(in + i) * Float4::load(gain + i)).store(out + i);
}

// out = in × gain, or out += in × gain, with a gain that is either one value or one per sample.
inline void scaleOrAdd(bool add, float* out, const float* in, const float* gain, bool gainConstant, int frames) {
    if (gainConstant) {
        if (add) {
            addScaled(out, in, gain[0], frames);
        } else {
            scale(out, in, gain[0], frames);
        }
    } else if (add) {
        addMultiplied(out, in, gain, frames);
    } else {
        multiply(out, in, gain, frames);
    }
}

}  // namespace gain_kernels
