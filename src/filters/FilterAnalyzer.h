#pragma once
#include "engine/wave/Filter.h"
#include "platform/Property.h"

// The self-oscillation mute: follows the level of the plug-in's input (a per-sample magnitude)
// with a one-pole follower and outputs a factor per sample, 1 while the followed level is at or
// above the threshold and falling linearly to 0 below it. Filters with auto-mute multiply their
// peak by it, so a self-oscillating filter falls silent when the input does. A block whose factors
// are all 1 is marked constant.
//
// The follower runs in double precision in groups of four samples: within a group the level is
// a^j·g + S_j, where g is the level at the group's start, a = 1 - k and S_j = a·S_(j-1) + k·x, so
// the serial chain from one sample to the next is one multiply-add per group instead of a
// subtract, multiply and add per sample. The group position is carried across calls, so every
// sample is computed the same way however the host cuts its buffers.
// Audio thread for render and reset; properties between blocks.
class FilterAnalyzer : public wave::Filter, public PropertyOwner {
public:
    explicit FilterAnalyzer(wave::Environment& environment);

    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;
    void reset() {
        level_ = 0.0f;
        groupStart_ = 0.0;
        partial_ = 0.0;
        position_ = 0;
    }
    void resetState() override { reset(); }
    void propertyChanged(PropertyBase* property) override;

    float getLevel() const { return level_; }
    float getInverseThreshold() const { return inverseThreshold_; }

    Property<float> timeConstant{this, 20.0f};  // milliseconds
    Property<float> threshold{this, 0.005f};

private:
    // Prepares a and its powers for the follower coefficient k.
    void setCoefficient(float k);

    float level_ = 0.0f;  // the followed level after the last sample, as a float
    // The follower state: the level where the current group started, the partial sum S and the
    // number of samples of the group done (0..3).
    double groupStart_ = 0.0;
    double partial_ = 0.0;
    int position_ = 0;
    float coefficient_ = -1.0f;  // k the powers below were prepared for
    double k_ = 1.0;
    double a_ = 0.0;
    double powers_[5] = {1.0, 0.0, 0.0, 0.0, 0.0};  // a^0 .. a^4
    float inverseThreshold_ = 200.0f;
};
