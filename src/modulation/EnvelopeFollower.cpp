#include "modulation/EnvelopeFollower.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Float4.h"
#include "modulation/LevelDecibels.h"
#include "platform/Tolerance.h"

namespace {

constexpr float kInvRange = 0.016666668f;  // the follower covers -60 dBFS .. 0 dBFS as 0..1
constexpr float kMaxSeconds = 100.0f;

// Seconds from a modulation input: never negative, never non-finite.
inline float seconds(float t) {
    if (!(t > 0.0f)) return 0.0f;
    return std::min(t, kMaxSeconds);
}

constexpr int kChunk = 64;

// One step of the smoothing, state += (d - state) c, in double. Adding and removing 1e-16 flushes
// vanishing values to 0; Flush = false leaves that out where it provably changes nothing (below).
template <bool Flush>
inline float step(float state, float d, double c) {
    double v = static_cast<double>(state) + static_cast<double>(d - state) * c;
    if constexpr (Flush) v = (v + 1e-16) - 1e-16;
    return static_cast<float>(v);
}

// Where the flush is the identity: for every double v >= 2, 1e-16 is less than half a unit in the
// last place of v and of the doubles just below 2, so v + 1e-16 rounds to v and so does the
// difference. A chunk keeps every v at 2 or more when its state starts at kPlainState or more and
// every target is kPlainTarget or more: a rising step never goes below the state, and a falling one
// (c <= 1, the float difference rounded by at most 2^-24 of itself) ends at least at
// d - (s - d) 2^-24 > d - 128 * 2^-24, above 2.
constexpr float kPlainState = 2.0f;
constexpr float kPlainTarget = 2.001f;

// Smooths a chunk with constant coefficients; returns how many samples took the attack when
// Count is set (0 otherwise: the count only matters while a new time waits to be taken over).
template <bool Flush, bool Count>
int smooth(const float* target, float* y, int n, float& state, float attack, float release) {
    // The coefficient is picked by indexing rather than by a branch: whether a sample rises is
    // as good as random on audio.
    const double coefficient[2] = {release, attack};
    float s = state;
    int rising = 0;
    auto one = [&](int k) {
        const float d = target[k];
        const int up = d > s ? 1 : 0;
        if constexpr (Count) rising += up;
        s = step<Flush>(s, d, coefficient[up]);
        y[k] = s;
    };
    // Four steps per pass of the loop: the chain is serial either way, the loop's own
    // instructions are shared.
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        one(k);
        one(k + 1);
        one(k + 2);
        one(k + 3);
    }
    for (; k < n; ++k) one(k);
    state = s;
    // The states to the output range, off the serial chain and four at a time.
    const wave::Float4 range(kInvRange);
    for (k = 0; k + 4 <= n; k += 4) (wave::Float4::loadUnaligned(y + k) * range).storeUnaligned(y + k);
    for (; k < n; ++k) y[k] *= kInvRange;
    return rising;
}

// The smallest and largest of n values.
void range(const float* v, int n, float& lowest, float& highest) {
    wave::Float4 lo(v[0]), hi(v[0]);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const wave::Float4 x = wave::Float4::loadUnaligned(v + k);
        lo = min(lo, x);
        hi = max(hi, x);
    }
    lowest = std::min(std::min(lo.lane(0), lo.lane(1)), std::min(lo.lane(2), lo.lane(3)));
    highest = std::max(std::max(hi.lane(0), hi.lane(1)), std::max(hi.lane(2), hi.lane(3)));
    for (; k < n; ++k) {
        lowest = std::min(lowest, v[k]);
        highest = std::max(highest, v[k]);
    }
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

void EnvelopeFollower::updateCoefficient(float length, float& current, float& coefficientInUse) {
    if (std::fabs(length - current) <= wave::kTolerance) return;
    current = length;
    coefficientInUse = coefficient(length);
}

bool EnvelopeFollower::shareConversion(LevelDecibelStage* stage) {
    if (!stage) return false;
    for (auto& slot : conversions_) {
        if (slot == stage) return true;
        if (!slot) {
            slot = stage;
            return true;
        }
    }
    return false;
}

const float* EnvelopeFollower::sharedDecibels(const wave::Buffer& level, int frames) const {
    for (LevelDecibelStage* stage : conversions_) {
        if (!stage) break;
        if (const float* decibels = stage->decibelsOf(level, frames)) return decibels;
    }
    return nullptr;
}

void EnvelopeFollower::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    const int inputFlags = flags & ~wave::kSkip;
    const float* attack = attackInput_->pull(frames, inputFlags)->data();
    const float* release = releaseInput_->pull(frames, inputFlags)->data();
    if (frames > 0) {
        const float* decibels = sharedDecibels(in, frames);
        if (attackInput_->isConstant() && releaseInput_->isConstant()) {
            followConstantTimes(in.data(), decibels, out.data(), frames, attack[0], release[0]);
        } else {
            followVaryingTimes(in.data(), decibels, out.data(), frames, attack, release);
        }
    }
    setConstant(false);
}

void EnvelopeFollower::followConstantTimes(const float* x, const float* decibels, float* y, int frames, float attack,
                                           float release) {
    // A time takes effect where the block first uses it, as in the per-sample form: the
    // coefficients are prepared up front and kept for the next block only if they were used.
    const float rate = getEnvironment().getSampleRate();
    const float attackLength = rate * seconds(attack);
    const float releaseLength = rate * seconds(release);
    const bool newAttack = std::fabs(attackLength - attackLength_) > wave::kTolerance;
    const bool newRelease = std::fabs(releaseLength - releaseLength_) > wave::kTolerance;
    const float attackCoefficient = newAttack ? coefficient(attackLength) : attackCoefficient_;
    const float releaseCoefficient = newRelease ? coefficient(releaseLength) : releaseCoefficient_;

    float state = state_;
    const bool count = newAttack || newRelease;
    int rising = 0;
    alignas(16) float converted[kChunk];
    for (int start = 0; start < frames; start += kChunk) {
        const int n = std::min(kChunk, frames - start);
        const float* target = decibels ? decibels + start : converted;
        if (!decibels) level_decibels::aboveFloor(x + start, converted, n);
        float lowest, highest;
        range(target, n, lowest, highest);
        if (state == 0.0f && highest == 0.0f) {
            // Silence on a silent state: every step is 0 + 0 c.
            std::fill(y + start, y + start + n, 0.0f);
        } else if (state >= kPlainState && lowest >= kPlainTarget) {
            rising += count ? smooth<false, true>(target, y + start, n, state, attackCoefficient, releaseCoefficient)
                            : smooth<false, false>(target, y + start, n, state, attackCoefficient, releaseCoefficient);
        } else {
            rising += count ? smooth<true, true>(target, y + start, n, state, attackCoefficient, releaseCoefficient)
                            : smooth<true, false>(target, y + start, n, state, attackCoefficient, releaseCoefficient);
        }
    }
    state_ = state;
    if (rising > 0 && newAttack) {
        attackLength_ = attackLength;
        attackCoefficient_ = attackCoefficient;
    }
    if (rising < frames && newRelease) {
        releaseLength_ = releaseLength;
        releaseCoefficient_ = releaseCoefficient;
    }
}

void EnvelopeFollower::followVaryingTimes(const float* x, const float* decibels, float* y, int frames,
                                          const float* attack, const float* release) {
    const float rate = getEnvironment().getSampleRate();
    float state = state_;
    // The levels of a chunk first (independent of each other), then the smoothing, which runs one
    // sample after the other and checks the time of each sample it uses.
    alignas(16) float converted[kChunk];
    for (int start = 0; start < frames; start += kChunk) {
        const int n = std::min(kChunk, frames - start);
        const float* target = decibels ? decibels + start : converted;
        if (!decibels) level_decibels::aboveFloor(x + start, converted, n);
        for (int k = 0; k < n; ++k) {
            const int i = start + k;
            const float d = target[k];
            float c;
            if (d > state) {
                updateCoefficient(rate * seconds(attack[i]), attackLength_, attackCoefficient_);
                c = attackCoefficient_;
            } else {
                updateCoefficient(rate * seconds(release[i]), releaseLength_, releaseCoefficient_);
                c = releaseCoefficient_;
            }
            state = step<true>(state, d, c);
            y[i] = state * kInvRange;
        }
    }
    state_ = state;
}
