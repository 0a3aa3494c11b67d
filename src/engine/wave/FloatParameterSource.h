#pragma once
#include "engine/wave/Producer.h"
#include "engine/wave/ValueRamp.h"
#include "parameters/SmoothedValueTarget.h"

namespace wave {

// Emits a smoothed value: its output is its ramp's buffer, flagged constant once the ramp is over.
class FloatParameterSource : public Source, public SmoothedValueTarget {
public:
    FloatParameterSource(Environment& environment, float initial)
        : Source(environment, kNoBuffer), ramp_(environment, initial) {
        setOutput(&ramp_.buffer());
    }

    ValueRamp& ramp() { return ramp_; }
    const ValueRamp& ramp() const { return ramp_; }
    void setTarget(float value, float ms = -1.0f) { ramp_.setTarget(value, ms); }
    float getTarget() const { return ramp_.getTarget(); }
    // A parameter's new value, with the automatic ramp time.
    void glideTo(float value) final { ramp_.setTarget(value); }

    void render(Buffer& buffer, int frames, int flags) override;

private:
    ValueRamp ramp_;
};

}  // namespace wave
