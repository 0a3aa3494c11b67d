#pragma once
#include "engine/wave/Filter.h"
#include "platform/Property.h"

// The self-oscillation mute: follows the level of the plug-in's input (a per-sample magnitude)
// with a one-pole follower and outputs a factor per sample, 1 while the followed level is at or
// above the threshold and falling linearly to 0 below it. Filters with auto-mute multiply their
// peak by it, so a self-oscillating filter falls silent when the input does. A block whose factors
// are all 1 is marked constant.
// Audio thread for render and reset; properties between blocks.
class FilterAnalyzer : public wave::Filter, public PropertyOwner {
public:
    explicit FilterAnalyzer(wave::Environment& environment);

    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;
    void reset() { level_ = 0.0f; }
    void resetState() override { reset(); }
    void propertyChanged(PropertyBase* property) override;

    float getLevel() const { return level_; }
    float getInverseThreshold() const { return inverseThreshold_; }

    Property<float> timeConstant{this, 20.0f};  // milliseconds
    Property<float> threshold{this, 0.005f};

private:
    float level_ = 0.0f;
    float inverseThreshold_ = 200.0f;
};
