#include "modulation/EnvelopeFollower.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// 20 log10(x) for a finite or infinite x > 0 (a normal float). The exponent is taken from the bits
// and the mantissa, folded into [sqrt(1/2), sqrt(2)), goes through the series
// ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...), s = (m - 1) / (m + 1), |s| <= 0.172. Five terms
// in double leave a truncation error below 1e-9 dB, so the float result is within a unit or two
// in the last place of the library's log10, at a fraction of its cost and without branches.
inline float decibels(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int exponent = static_cast<int>(bits >> 23) - 127;
    bits = (bits & 0x7FFFFFu) | 0x3F800000u;
    float mantissa;
    std::memcpy(&mantissa, &bits, sizeof mantissa);
    const bool fold = mantissa > 1.41421356f;
    exponent += fold ? 1 : 0;
    const double m = fold ? 0.5 * mantissa : static_cast<double>(mantissa);
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    const double lnM = 2.0 * s * (1.0 + s2 * (1.0 / 3.0 + s2 * (1.0 / 5.0 + s2 * (1.0 / 7.0 + s2 * (1.0 / 9.0)))));
    constexpr double kLn2 = 0.69314718055994530942;
    constexpr double kLog10E = 0.43429448190325182765;  // 1 / ln 10
    // Rounded to a float log10 first and scaled in float, as a float log10 call would be.
    return 20.0f * static_cast<float>((static_cast<double>(exponent) * kLn2 + lnM) * kLog10E);
}

// The target of the smoothing for one input sample: the level above -60 dB, 0..120.
inline float levelAboveFloor(float x) {
    // Silence, denormals and NaN count as the floor; infinity as the ceiling.
    const float level = x > 1e-10f ? std::min(decibels(x), kCeilingDb) : kFloorDb;
    return std::max(level + kRangeDb, 0.0f);
}

constexpr int kChunk = 64;

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

void EnvelopeFollower::updateCoefficient(float length, float& current, float& coefficientInUse) {
    if (std::fabs(length - current) <= wave::kTolerance) return;
    current = length;
    coefficientInUse = coefficient(length);
}

void EnvelopeFollower::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    const int inputFlags = flags & ~wave::kSkip;
    const float* attack = attackInput_->pull(frames, inputFlags)->data();
    const float* release = releaseInput_->pull(frames, inputFlags)->data();
    const float rate = getEnvironment().getSampleRate();
    const float* x = in.data();
    float* y = out.data();

    const bool attackConstant = attackInput_->isConstant();
    const bool releaseConstant = releaseInput_->isConstant();
    bool attackChecked = false;
    bool releaseChecked = false;
    float state = state_;
    // The levels of a chunk first (independent of each other, so they pipeline), then the
    // smoothing, which runs one sample after the other.
    float target[kChunk];
    for (int start = 0; start < frames; start += kChunk) {
        const int n = std::min(kChunk, frames - start);
        for (int k = 0; k < n; ++k) target[k] = levelAboveFloor(x[start + k]);
        for (int k = 0; k < n; ++k) {
            const int i = start + k;
            const float d = target[k];
            float c;
            // A constant time needs its check only once per block: after that the length in use
            // already matches it.
            if (d > state) {
                if (!attackChecked) updateCoefficient(rate * seconds(attack[i]), attackLength_, attackCoefficient_);
                attackChecked = attackConstant;
                c = attackCoefficient_;
            } else {
                if (!releaseChecked) updateCoefficient(rate * seconds(release[i]), releaseLength_, releaseCoefficient_);
                releaseChecked = releaseConstant;
                c = releaseCoefficient_;
            }
            // state += (D - state) c, in double; adding and removing 1e-16 flushes vanishing values.
            state = static_cast<float>((static_cast<double>(state) + static_cast<double>(d - state) * c + 1e-16) - 1e-16);
            y[i] = state * kInvRange;
        }
    }
    state_ = state;
    setConstant(false);
}
