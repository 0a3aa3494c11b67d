#include "engine/wave/ValueRamp.h"

#include <algorithm>
#include <cmath>

#include "platform/Tolerance.h"

namespace wave {

ValueRamp::ValueRamp(Environment& environment, float initial)
    : environment_(environment),
      buffer_(environment.getBlockSize()),
      start_(initial),
      maximum_(std::max(initial, 1.0f)),
      minimum_(std::min(initial, 0.0f)),
      range_(maximum_ - minimum_),
      target_(initial) {}

void ValueRamp::setLimits(float minimum, float maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    range_ = maximum - minimum;
    target_ = std::clamp(target_, minimum_, maximum_);
    start_ = std::clamp(start_, minimum_, maximum_);
    filled_ = 0;
}

float ValueRamp::getCurrentValue() const {
    if (elapsed_ < length_) return static_cast<float>(start_ + static_cast<double>(elapsed_) * increment_);
    return target_;
}

void ValueRamp::catchUp() {
    const std::int64_t passed = environment_.getResetTime() < timeStamp_ ? environment_.getCurrentTime() - timeStamp_
                                                                       : length_ - elapsed_;
    advance(passed);
}

void ValueRamp::setTarget(float value, float ms) {
    if (!std::isfinite(value)) return;
    value = std::clamp(value, minimum_, maximum_);
    if (nearlyEqual(value, target_)) return;

    catchUp();
    start_ = getCurrentValue();
    timeStamp_ = environment_.getCurrentTime();
    elapsed_ = 0;
    filled_ = 0;

    if (wrapPeriod_ > 0.0f) {
        auto fraction = [](float x) { return x - std::floor(x); };
        float difference = fraction(fraction(value / wrapPeriod_) - fraction(start_ / wrapPeriod_));
        if (difference > 0.5f) difference -= 1.0f;
        if (difference < -0.5f) difference += 1.0f;
        // The start may lie outside the limits here: consumers take wrapped values modulo the
        // period, and clamping would turn the short way round into a jump.
        start_ = value - difference * wrapPeriod_;
    }

    float time = ms;
    if (time < 0.0f) {
        float r = range_ > 0.0f ? std::fabs(value - start_) / range_ : 1.0f;
        if (r >= 0.3f || slowTime_ == fastTime_) {
            time = fastTime_;
        } else {
            float t = (0.3f - r) * 3.3333333f;
            time = (slowTime_ - fastTime_) * t * t + fastTime_;
        }
    }
    length_ = static_cast<int>(environment_.getSampleRate() * time * 0.001f);
    if (length_ < 1) {
        length_ = 0;
        increment_ = 0.0f;
    } else {
        increment_ = (value - start_) / static_cast<float>(length_);
    }
    target_ = value;
}

bool ValueRamp::fill(int n) {
    n = std::min(n, buffer_.capacity());
    float* out = buffer_.data();
    if (elapsed_ < length_) {
        int count = std::min(length_ - elapsed_, n);
        // Each value from its own position, as getCurrentValue() gives it: no running sum whose
        // rounding would depend on where the blocks start, and no chain from sample to sample.
        const double start = start_;
        const double increment = increment_;
        for (int i = 0; i < count; ++i) out[i] = static_cast<float>(start + static_cast<double>(elapsed_ + i) * increment);
        elapsed_ += count;
        std::fill(out + count, out + n, target_);
        filled_ = 0;
        return false;
    }
    if (filled_ < n) {
        std::fill(out + filled_, out + n, target_);
        filled_ = n;
    }
    return true;
}

}  // namespace wave
