#pragma once
#include <vector>

#include "engine/wave/Consumer.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"

// A delay of 0..50 ms behind a filter. The delay stream (milliseconds) is truncated to whole
// samples; a change makes the read position glide through a 5 Hz critically damped smoother, read
// with linear interpolation, and once the position has settled the block is copied from the ring
// whole, so a settled delay is bit-exact; a block whose whole-sample targets are all the same counts
// as constant, however the stream moves within that sample. Positions not written since the last
// reset read as 0.
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

    int ringSize() const { return static_cast<int>(ring_.size()) - 1; }
    // The longest delay in samples the ring can serve without reading overwritten data.
    int maxDelaySamples() const { return ringSize() - getEnvironment().getBlockSize(); }
    double glidePosition() const { return position_; }
    bool isGliding() const { return lastBlockGlided_; }

private:
    // The smoother advances four samples per step from the state at the start of a group of four:
    // state(k) = A^k·state + sum A^(k-1-i)·b·x(i), with the powers of A prepared per sample rate.
    // A group cut by the end of a block is carried into the next one, so the positions do not
    // depend on how the host splits its buffers.
    struct GlideSteps {
        double power[5][2][2];  // A^k
        double input[4][2];     // A^k·b
    };
    int targetSamples(float ms, float samplesPerMs) const;
    void prepareGlide();
    // Whether every sample of the delay stream has the whole-sample target `target`.
    bool holdsOneTarget(const float* delay, int frames, int target, float samplesPerMs) const;
    // Writes the whole-sample target of every sample to targets_.
    void fillTargets(const float* delay, bool constant, int target, int frames, float samplesPerMs);
    // Advances the smoother by `frames` samples and reads the ring at each position.
    void glide(float* out, int frames, int writeStart);
    // The smoother's position after each of the next `frames` samples, into positions_.
    void advance(int frames);
    // Reads the ring with interpolation at the distances in positions_ behind each sample.
    void read(float* out, int frames, int writeStart) const;
    // The smoother's state after the samples of the open group.
    void closeGroup(int filled, double& position, double& velocity) const;

    wave::FloatParameterSource delaySource_;
    wave::Producer* delay_;
    // The ring, followed by a copy of its first sample, so the upper neighbour of a read is always
    // the next element.
    std::vector<float> ring_;
    int writePosition_ = 0;
    int valid_ = 0;
    std::vector<float> targets_;  // per-sample target in whole samples while gliding
    std::vector<double> positions_;  // per-sample smoother position while gliding
    double position_ = 0.0;  // the smoother after the last sample
    double velocity_ = 0.0;
    float coefficient_ = 0.0f;
    GlideSteps steps_{};
    // The open group of four: its start state, how many of its samples are done and their targets.
    double groupPosition_ = 0.0;
    double groupVelocity_ = 0.0;
    int groupFilled_ = 0;
    double groupTargets_[4] = {};
    bool firstBlock_ = true;
    bool glide_ = true;
    bool lastBlockGlided_ = false;
};
