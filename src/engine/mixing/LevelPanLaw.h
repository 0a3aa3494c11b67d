#pragma once
#include "engine/wave/Float4.h"

// Splits one level and one pan value into two per-channel values.
//   additive: channel 0 = level + pan, channel 1 = level - pan
//             (filter frequency and frequency offset pairs);
//   balance:  channel 0 = level × (1 - max(pan, 0)), channel 1 = level × (1 + min(pan, 0))
//             (gain and pan pairs: pan +1 silences channel 0, pan -1 channel 1, pan 0 keeps both).
// The caller keeps pan within -1..1 for the balance law.
struct LevelPanLaw {
    enum Mode : int { kBalance = 0, kAdditive = 1 };

    struct Channels {
        float channel0;
        float channel1;
    };

    // One value pair (unmodulated values, applied once per change).
    static Channels apply(Mode mode, float level, float pan) {
        if (mode == kAdditive) return {level + pan, level - pan};
        float right = pan > 0.0f ? pan : 0.0f;
        float left = pan < 0.0f ? pan : 0.0f;
        return {level * (1.0f - right), level * (1.0f + left)};
    }

    // Four samples at once.
    static void apply(Mode mode, wave::Float4 level, wave::Float4 pan, wave::Float4& channel0, wave::Float4& channel1) {
        if (mode == kAdditive) {
            channel0 = level + pan;
            channel1 = level - pan;
        } else {
            const wave::Float4 zero(0.0f), one(1.0f);
            channel0 = level * (one - max(pan, zero));
            channel1 = level * (one + min(pan, zero));
        }
    }

    // A whole block of per-sample values; works in groups of four, so the buffers need room for
    // `frames` rounded up to a multiple of four and must be 16-byte aligned (graph buffers are).
    static void applyBlock(Mode mode, const float* level, const float* pan, float* channel0, float* channel1, int frames);
};
