#include "modulation/FrequencyMultiplier.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

FrequencyMultiplier::FrequencyMultiplier(wave::Environment& environment, wave::Producer* base, wave::Producer* exponent)
    : wave::Source(environment), base_(base), exponent_(exponent) {}

float FrequencyMultiplier::multiply(float base, float exponent) {
    if (!std::isfinite(base)) base = 0.0f;
    if (!std::isfinite(exponent)) exponent = 0.0f;
    return base * std::exp2(std::clamp(exponent, -kMaxOctaves, kMaxOctaves));
}

void FrequencyMultiplier::render(wave::Buffer& buffer, int frames, int flags) {
    // Both inputs carry real values even in a skipped block: whoever reads this output does too.
    const int inputFlags = flags & ~wave::kSkip;
    const float* e = exponent_ ? exponent_->pull(frames, inputFlags)->data() : nullptr;
    const float* b = base_ ? base_->pull(frames, inputFlags)->data() : nullptr;
    const bool constant = (!exponent_ || exponent_->isConstant()) && (!base_ || base_->isConstant());
    float* out = buffer.data();
    const int n = wave::Buffer::groups(frames) * 4;
    if (constant) {
        const float v = multiply(b ? b[0] : 1.0f, e ? e[0] : 0.0f);
        std::fill(out, out + n, v);
    } else if (n > 0) {
        // A modulating step LFO holds its value for most of each step: a sample whose inputs have
        // the same bits as the previous sample's repeats that value instead of another exp2.
        auto bits = [](float x) {
            std::uint32_t u;
            std::memcpy(&u, &x, sizeof u);
            return u;
        };
        float lastBase = b ? b[0] : 1.0f, lastExponent = e ? e[0] : 0.0f;
        float v = multiply(lastBase, lastExponent);
        out[0] = v;
        for (int i = 1; i < n; ++i) {
            const float base = b ? b[i] : 1.0f, exponent = e ? e[i] : 0.0f;
            if (bits(base) != bits(lastBase) || bits(exponent) != bits(lastExponent)) {
                v = multiply(base, exponent);
                lastBase = base;
                lastExponent = exponent;
            }
            out[i] = v;
        }
    }
    setConstant(constant);
}
