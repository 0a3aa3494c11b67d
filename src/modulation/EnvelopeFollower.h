#pragma once
#include <array>

#include "engine/wave/Filter.h"
#include "engine/wave/FloatParameterSource.h"

// Follows the loudness of a level signal (non-negative amplitude, 1.0 = full scale) in the dB
// domain: the level above -60 dBFS is smoothed with separate attack and release times, each the
// time a step takes to cover 90 % of its way. The output is that smoothed level divided by 60:
// 0 at -60 dBFS and below, 1 at 0 dBFS (above full scale it exceeds 1, up to 2 at +60 dBFS).
//
// The attack and release times (seconds per sample) come from the embedded ramps or from any
// producer plugged in instead, such as a modulation target. The state starts at silence, so the
// output is never negative. Followers that read the same level stream may share its conversion to
// dB through a LevelDecibelStage; on its own a follower converts its level itself, with the same
// result. Wiring at construction; rendering on the audio thread.
class LevelDecibelStage;

class EnvelopeFollower : public wave::Filter {
public:
    static constexpr float kMinTime = 0.0005f;
    static constexpr float kMaxTime = 10.0f;
    static constexpr int kMaxSharedConversions = 2;

    explicit EnvelopeFollower(wave::Environment& environment);

    wave::FloatParameterSource& attackParameter() { return attack_; }
    wave::FloatParameterSource& releaseParameter() { return release_; }
    // Null restores the embedded ramp.
    void setAttackInput(wave::Producer* input) { attackInput_ = input ? input : &attack_; }
    void setReleaseInput(wave::Producer* input) { releaseInput_ = input ? input : &release_; }
    // Offers a shared conversion: in a block where this follower's level input hands on the
    // stage's input stream, the follower takes the stage's result instead of converting. False
    // (and nothing changes) for null or when kMaxSharedConversions are already offered.
    bool shareConversion(LevelDecibelStage* stage);

    // The smoothed level above -60 dB, in dB (0..120).
    float getState() const { return state_; }

    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) override;
    void resetState() override;

private:
    // The one-pole coefficient that covers 90 % of a step in `length` samples.
    static float coefficient(float length);
    // Moves `current` and its coefficient to `length` when it differs by more than the tolerance.
    static void updateCoefficient(float length, float& current, float& coefficientInUse);
    // The block with attack and release times that hold for all of it, and with times that move.
    // `decibels` is the block's level already converted, or null to convert `x` here.
    void followConstantTimes(const float* x, const float* decibels, float* y, int frames, float attack,
                             float release);
    void followVaryingTimes(const float* x, const float* decibels, float* y, int frames, const float* attack,
                            const float* release);
    // The shared conversion of `level` in this block, or null.
    const float* sharedDecibels(const wave::Buffer& level, int frames) const;

    wave::FloatParameterSource attack_;
    wave::FloatParameterSource release_;
    wave::Producer* attackInput_;
    wave::Producer* releaseInput_;
    std::array<LevelDecibelStage*, kMaxSharedConversions> conversions_{};

    float state_ = 0.0f;
    float attackLength_ = 0.0f;
    float attackCoefficient_ = 1.0f;
    float releaseLength_ = 0.0f;
    float releaseCoefficient_ = 1.0f;
};
