#include "modulation/EnvelopeFollower.h"

#include <algorithm>
#include <cmath>

#include "platform/Tolerance.h"

namespace {

constexpr float kFloorDb = -180.0f;
constexpr float kRangeDb = 60.0f;      // the follower covers -60 dBFS .. 0 dBFS as 0..1
constexpr float kCeilingDb = 60.0f;    // far above full scale; keeps an infinite level finite
constexpr float kInvRange = 0.016666668f;
constexpr float kMaxSeconds = 100.0f;

// Seconds from a modulation input: never negative, never non-finite.
inline float seconds(float t) {
    if (!(t > 0.0f)) return 0.0f;
    return std::min(t, kMaxSeconds);
}

}  // namespace

EnvelopeFollower::EnvelopeFollower(wave::Environment& environment)
    // The level input is pulled with real flags even in a skipped block: the follower keeps
    // following while nobody listens, so it is current when a slot picks it up.
    : wave::Filter(environment, 0, 0),
      attack_(environment, kMinTime),
      release_(environment, 0.1f),
      attackInput_(&attack_),
      releaseInput_(&release_) {
    attack_.ramp().setLimits(kMinTime, kMaxTime);
    release_.ramp().setLimits(kMinTime, kMaxTime);
    registerReset();
}

void EnvelopeFollower::resetState() {
    state_ = 0.0f;
    attackLength_ = 0.0f;
    releaseLength_ = 0.0f;
}

float EnvelopeFollower::coefficient(float length) {
    // c = 1 - 10^(-1/length): after `length` samples (1 - c)^length = 0.1 of a step remains.
    if (length <= wave::kTolerance) return 1.0f;
    return static_cast<float>(1.0 - std::pow(10.0, -1.0 / static_cast<double>(length)));
}

void EnvelopeFollower::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    const int inputFlags = flags & ~wave::kSkip;
    const float* attack = attackInput_->pull(frames, inputFlags)->data();
    const float* release = releaseInput_->pull(frames, inputFlags)->data();
    const float rate = getEnvironment().getSampleRate();
    const float* x = in.data();
    float* y = out.data();

    float state = state_;
    for (int i = 0; i < frames; ++i) {
        // Level above -60 dB: D = max(20 log10(x) + 60, 0).
        float level = kFloorDb;
        if (x[i] > 1e-10f) level = std::min(20.0f * std::log10(x[i]), kCeilingDb);
        const float d = std::max(level + kRangeDb, 0.0f);

        float c;
        if (d > state) {
            const float length = rate * seconds(attack[i]);
            if (std::fabs(length - attackLength_) > wave::kTolerance) {
                attackLength_ = length;
                attackCoefficient_ = coefficient(length);
            }
            c = attackCoefficient_;
        } else {
            const float length = rate * seconds(release[i]);
            if (std::fabs(length - releaseLength_) > wave::kTolerance) {
                releaseLength_ = length;
                releaseCoefficient_ = coefficient(length);
            }
            c = releaseCoefficient_;
        }
        // state += (D - state) c, in double; adding and removing 1e-16 flushes vanishing values.
        state = static_cast<float>((static_cast<double>(state) + static_cast<double>(d - state) * c + 1e-16) - 1e-16);
        y[i] = state * kInvRange;
    }
    state_ = state;
    setConstant(false);
}
