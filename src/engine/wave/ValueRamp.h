#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/wave/Buffer.h"
#include "engine/wave/Environment.h"

namespace wave {

// The linear per-sample smoother behind every smoothed value. A new target starts a ramp from the
// current value; with automatic timing a tiny change takes 150 ms and a change of 30 % of the
// range or more takes 20 ms. With a wrap period, values are taken modulo the period and ramps go
// the short way round. Owned by value by the object it smooths; audio thread for fill().
class ValueRamp {
public:
    ValueRamp(Environment& environment, float initial);

    void setLimits(float minimum, float maximum);
    float getMinimum() const { return minimum_; }
    float getMaximum() const { return maximum_; }
    // The distance the automatic ramp time is measured against (normally maximum - minimum).
    // setLimits() resets it, so set the span after the limits.
    void setSpan(float span) {
        if (span > 0.0f) range_ = span;
    }
    float getSpan() const { return range_; }
    void setWrapPeriod(float period) { wrapPeriod_ = period; }
    void setTimes(float slowMs, float fastMs) {
        slowTime_ = slowMs;
        fastTime_ = fastMs;
    }

    // ms < 0 chooses the time automatically.
    void setTarget(float value, float ms = -1.0f);
    // Brings the ramp up to the environment's current time (samples that passed unseen).
    void catchUp();
    // Writes n values into the buffer; returns whether they are all equal to the target.
    bool fill(int n);
    // Fill-free advance for skipped blocks.
    void skip(int n) { advance(n); }
    void jumpToEnd() { elapsed_ = length_; }
    // Marks the ramp as seen up to the given environment time.
    void setTimeStamp(std::int64_t time) { timeStamp_ = time; }

    float getTarget() const { return target_; }
    float getCurrentValue() const;
    bool isRunning() const { return elapsed_ < length_; }
    int getLength() const { return length_; }
    int getElapsed() const { return elapsed_; }
    Buffer& buffer() { return buffer_; }
    const Buffer& buffer() const { return buffer_; }

    static constexpr float kSlowTime = 150.0f;
    static constexpr float kFastTime = 20.0f;

private:
    // Counts samples as elapsed; beyond the end of the ramp they no longer matter, so the count
    // stops there (however long nothing rendered).
    void advance(std::int64_t samples) {
        if (samples > 0) elapsed_ = static_cast<int>(std::min<std::int64_t>(length_, elapsed_ + samples));
    }

    Environment& environment_;
    float wrapPeriod_ = 0.0f;
    float slowTime_ = kSlowTime;
    float fastTime_ = kFastTime;
    Buffer buffer_;
    int elapsed_ = 0;
    int length_ = 0;
    float start_;
    float increment_ = 0.0f;
    float maximum_;
    float minimum_;
    float range_;
    std::int64_t timeStamp_ = 0;
    int filled_ = 0;
    float target_;
};

}  // namespace wave
