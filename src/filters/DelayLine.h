#pragma once
#include <vector>

#include "engine/wave/Consumer.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"

// A delay of 0..50 ms behind a filter. The delay stream (milliseconds) is truncated to whole
// samples; a change makes the read position glide through a 5 Hz critically damped smoother, read
// with linear interpolation, and once the position has settled the block is copied from the ring
// whole, so a settled delay is bit-exact. Positions not written since the last reset read as 0.
//
// The ring holds 50 ms at kMaxSampleRate plus one block; above that rate the delay is limited to
// what the ring holds, so a read never reaches stale data. Audio thread only, except construction.
class DelayLine : public wave::Producer, public wave::Consumer {
public:
    static constexpr float kMaxDelayMs = 50.0f;
    static constexpr float kMaxSampleRate = 384000.0f;
    static constexpr float kGlideHz = 5.0f;
    static constexpr double kSettled = 0.001;  // samples

    explicit DelayLine(wave::Environment& environment);

    wave::FloatParameterSource& delaySource() { return delaySource_; }
    // Replaces the delay stream's producer (a modulation target); null restores the own source.
    void setDelayProducer(wave::Producer* producer) { delay_ = producer ? producer : &delaySource_; }
    void setGlide(bool on) { glide_ = on; }
    bool getGlide() const { return glide_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void reset();
    void resetState() override { reset(); }

    int ringSize() const { return static_cast<int>(ring_.size()); }
    // The longest delay in samples the ring can serve without reading overwritten data.
    int maxDelaySamples() const { return ringSize() - getEnvironment().getBlockSize(); }
    double glidePosition() const { return position_; }
    bool isGliding() const { return lastBlockGlided_; }

private:
    int targetSamples(float ms, float samplesPerMs) const;

    wave::FloatParameterSource delaySource_;
    wave::Producer* delay_;
    std::vector<float> ring_;
    int writePosition_ = 0;
    int valid_ = 0;
    std::vector<float> delays_;  // per-sample read distance while gliding
    double position_ = 0.0;
    double velocity_ = 0.0;
    float coefficient_ = 0.0f;
    bool firstBlock_ = true;
    bool glide_ = true;
    bool lastBlockGlided_ = false;
};
