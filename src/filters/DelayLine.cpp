#include "filters/DelayLine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "engine/wave/Float4.h"

using wave::Buffer;
using wave::Double4;
using wave::Float4;

DelayLine::DelayLine(wave::Environment& environment)
    : wave::Producer(environment),
      delaySource_(environment, 0.0f),
      delay_(&delaySource_),
      ring_(static_cast<size_t>(environment.getBlockSize()) +
                static_cast<size_t>(std::ceil(kMaxSampleRate * kMaxDelayMs * 0.001f)) + 1,
            0.0f),
      targets_(static_cast<size_t>(environment.getBlockSize()), 0.0f),
      positions_(static_cast<size_t>(environment.getBlockSize()), 0.0) {
    delaySource_.ramp().setLimits(0.0f, kMaxDelayMs);
    registerReset();
}

void DelayLine::reset() {
    writePosition_ = 0;
    valid_ = 0;
    firstBlock_ = true;
    position_ = 0.0;
    velocity_ = 0.0;
    // 2·sin(pi·fc/fs) for the 5 Hz smoother, limited to 0.95.
    float rate = getEnvironment().getSampleRate();
    float ratio = std::min(std::exp2(std::log2(kGlideHz) - std::log2(rate)), 1.0f);
    coefficient_ = std::min(2.0f * std::sin(std::numbers::pi_v<float> * ratio), 0.95f);
    prepareGlide();
    groupPosition_ = 0.0;
    groupVelocity_ = 0.0;
    groupFilled_ = 0;
}

// One sample of the smoother is  position += c·velocity;  velocity += c·(x - 2·velocity - position),
// i.e. state = A·state + b·x with A = [[1, c], [-c, 1 - 2c - c²]] and b = [0, c]. The group form
// rounds differently from that sample-by-sample form: A is a contraction near the identity
// (eigenvalue 1 - c twice), so the rounding stays within a few units of the last place of the
// position (2^-38 sample at 19200 samples), far below what the 2^-24 fraction of the read resolves.
void DelayLine::prepareGlide() {
    const double c = coefficient_;
    const double a[2][2] = {{1.0, c}, {-c, 1.0 - 2.0 * c - c * c}};
    auto& power = steps_.power;
    power[0][0][0] = 1.0;
    power[0][0][1] = 0.0;
    power[0][1][0] = 0.0;
    power[0][1][1] = 1.0;
    for (int k = 1; k <= 4; ++k) {
        for (int r = 0; r < 2; ++r) {
            for (int col = 0; col < 2; ++col) {
                power[k][r][col] = a[r][0] * power[k - 1][0][col] + a[r][1] * power[k - 1][1][col];
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        for (int r = 0; r < 2; ++r) steps_.input[k][r] = power[k][r][1] * c;
    }
}

namespace {

// The position after k samples of a group that started at (p, v) with targets x[0..k-1]. The last
// target does not reach the position yet (b has no position part).
inline double positionAfter(const double (&power)[5][2][2], const double (&input)[4][2], int k, double p, double v,
                            const double* x) {
    double o = power[k][0][0] * p + power[k][0][1] * v;
    for (int j = 0; j + 1 < k; ++j) o += input[k - 1 - j][0] * x[j];
    return o;
}

}  // namespace

void DelayLine::closeGroup(int filled, double& position, double& velocity) const {
    const double p = groupPosition_, v = groupVelocity_;
    position = steps_.power[filled][0][0] * p + steps_.power[filled][0][1] * v;
    velocity = steps_.power[filled][1][0] * p + steps_.power[filled][1][1] * v;
    for (int j = 0; j < filled; ++j) {
        position += steps_.input[filled - 1 - j][0] * groupTargets_[j];
        velocity += steps_.input[filled - 1 - j][1] * groupTargets_[j];
    }
}

void DelayLine::fillTargets(const float* delay, bool constant, int target, int frames, float samplesPerMs) {
    float* x = targets_.data();
    if (constant) {
        std::fill(x, x + frames, static_cast<float>(target));
        return;
    }
    // As targetSamples(), four at a time: NaN and negative values count as 0 (max keeps its
    // second operand on NaN), the product is not negative, so floor is the truncation.
    const Float4 longest(static_cast<float>(maxDelaySamples()));
    const Float4 perMs(samplesPerMs);
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        const Float4 ms = min(max(Float4::loadUnaligned(delay + i), Float4(0.0f)), Float4(kMaxDelayMs));
        min(floor(perMs * ms), longest).storeUnaligned(x + i);
    }
    for (; i < frames; ++i) x[i] = static_cast<float>(targetSamples(delay[i], samplesPerMs));
}

bool DelayLine::holdsOneTarget(const float* delay, int frames, int target, float samplesPerMs) const {
    // The whole-sample target rises with the clamped stream (NaN clamps to 0 like a negative
    // value), so the block holds one target when its smallest and largest clamped values do.
    const Float4 zero(0.0f), longest(kMaxDelayMs);
    Float4 lo(kMaxDelayMs), hi(0.0f);
    int i = 0;
    for (; i + 4 <= frames; i += 4) {
        const Float4 ms = min(max(Float4::loadUnaligned(delay + i), zero), longest);
        lo = min(lo, ms);
        hi = max(hi, ms);
    }
    float smallest = std::min(std::min(lo.lane(0), lo.lane(1)), std::min(lo.lane(2), lo.lane(3)));
    float largest = std::max(std::max(hi.lane(0), hi.lane(1)), std::max(hi.lane(2), hi.lane(3)));
    for (; i < frames; ++i) {
        const float ms = delay[i] >= 0.0f ? std::min(delay[i], kMaxDelayMs) : 0.0f;
        smallest = std::min(smallest, ms);
        largest = std::max(largest, ms);
    }
    return targetSamples(smallest, samplesPerMs) == target && targetSamples(largest, samplesPerMs) == target;
}

void DelayLine::glide(float* out, int frames, int w) {
    advance(frames);
    read(out, frames, w);
}

void DelayLine::advance(int frames) {
    const auto& power = steps_.power;
    const auto& input = steps_.input;
    const float* targets = targets_.data();
    double* position = positions_.data();
    int i = 0;
    // Finish the group the previous block left open.
    for (; groupFilled_ > 0 && i < frames; ++i) {
        groupTargets_[groupFilled_] = targets[i];
        ++groupFilled_;
        position[i] = positionAfter(power, input, groupFilled_, groupPosition_, groupVelocity_, groupTargets_);
        if (groupFilled_ == 4) {
            closeGroup(4, groupPosition_, groupVelocity_);
            groupFilled_ = 0;
        }
    }
    // Whole groups, as positionAfter() for one to four samples and closeGroup() for four, in two
    // four-lane steps: g holds the third and fourth position and the next group's start state
    // (position, velocity), whose sums have the same terms in the same order (the next start is
    // the fourth position plus one more term); h holds the first two positions in its lower half.
    // Lanes with fewer terms add 0·x, which changes no position (at most the sign of a zero, which
    // the read does not see); the state lanes have no such term, so the state is unchanged bit for bit.
    const Double4 gp(power[3][0][0], power[4][0][0], power[4][0][0], power[4][1][0]);
    const Double4 gv(power[3][0][1], power[4][0][1], power[4][0][1], power[4][1][1]);
    const Double4 g0(input[2][0], input[3][0], input[3][0], input[3][1]);
    const Double4 g1(input[1][0], input[2][0], input[2][0], input[2][1]);
    const Double4 g2(0.0, input[1][0], input[1][0], input[1][1]);
    const Double4 g3(0.0, 0.0, input[0][0], input[0][1]);
    const Double4 hp(power[1][0][0], power[2][0][0], power[1][0][0], power[2][0][0]);
    const Double4 hv(power[1][0][1], power[2][0][1], power[1][0][1], power[2][0][1]);
    const Double4 h0(0.0, input[1][0], 0.0, input[1][0]);
    double p = groupPosition_, v = groupVelocity_;
    for (; i + 4 <= frames; i += 4) {
        const Double4 sp(p), sv(v);
        const Double4 x0(static_cast<double>(targets[i])), x1(static_cast<double>(targets[i + 1]));
        const Double4 x2(static_cast<double>(targets[i + 2])), x3(static_cast<double>(targets[i + 3]));
        const Double4 h = (hp * sp + hv * sv) + h0 * x0;
        const Double4 g = ((((gp * sp + gv * sv) + g0 * x0) + g1 * x1) + g2 * x2) + g3 * x3;
        lowHalves(h, g).storeUnaligned(position + i);
        p = g.lane(2);
        v = g.lane(3);
    }
    groupPosition_ = p;
    groupVelocity_ = v;
    // Start a group the next block finishes.
    for (; i < frames; ++i) {
        groupTargets_[groupFilled_] = targets[i];
        ++groupFilled_;
        position[i] = positionAfter(power, input, groupFilled_, groupPosition_, groupVelocity_, groupTargets_);
    }
    closeGroup(groupFilled_, position_, velocity_);
}

void DelayLine::read(float* out, int frames, int w) const {
    constexpr int kChunk = 64;
    const int size = ringSize();
    const double longest = maxDelaySamples();
    const float* ring = ring_.data();
    const double* position = positions_.data();
    alignas(16) std::int32_t place[kChunk];
    alignas(16) float fraction[kChunk];
    for (int start = 0; start < frames; start += kChunk) {
        const int n = std::min(kChunk, frames - start);
        // The ring place and the fraction of each read, without branches, so the compiler packs
        // the loop. The write place is wrapped before the delay is taken off it: a sample after the
        // ring's end then gets the same (size + place - d), and so the same rounding, whether or not
        // its call began before the end. The read place wraps with one compare (0 <= m < 2·size).
        for (int k = 0; k < n; ++k) {
            const double raised = position[start + k] < 0.0 ? 0.0 : position[start + k];
            const double d = longest < raised ? longest : raised;
            std::int32_t written = w + start + k;  // below 2·size: w < size, the call at most a block
            written -= size & -static_cast<std::int32_t>(written >= size);
            const double p = static_cast<double>(size + written) - d;
            const std::int32_t m = static_cast<std::int32_t>(p);
            place[k] = m - (size & -static_cast<std::int32_t>(m >= size));
            fraction[k] = static_cast<float>(p - static_cast<double>(m));
        }
        float* y = out + start;
        int k = 0;
        for (; k + 4 <= n; k += 4) {
            // Each read's two neighbours are one 64-bit load; the shuffles part lower from upper.
            const Float4 first = Float4::loadPairs(ring + place[k], ring + place[k + 1]);
            const Float4 second = Float4::loadPairs(ring + place[k + 2], ring + place[k + 3]);
            const Float4 lower = evenLanes(first, second), upper = oddLanes(first, second);
            (lower + (upper - lower) * Float4::load(fraction + k)).storeUnaligned(y + k);
        }
        for (; k < n; ++k) {
            const float* r = ring + place[k];
            y[k] = r[0] + (r[1] - r[0]) * fraction[k];
        }
        // Until the ring has been filled once, places not written since the reset read as 0.
        if (valid_ < size) {
            for (k = 0; k < n; ++k) {
                if (place[k] >= valid_) y[k] = 0.0f;
            }
        }
    }
}

int DelayLine::targetSamples(float ms, float samplesPerMs) const {
    if (!(ms >= 0.0f)) ms = 0.0f;  // also NaN
    if (ms > kMaxDelayMs) ms = kMaxDelayMs;
    int t = static_cast<int>(samplesPerMs * ms);
    return std::min(t, maxDelaySamples());
}

void DelayLine::render(Buffer& buffer, int frames, int flags) {
    const Buffer* input = pullInput(getEnvironment(), frames, flags);
    if (flags & wave::kSkip) return;
    const int size = ringSize();
    frames = std::clamp(frames, 0, getEnvironment().getBlockSize());
    const Buffer* delayBuffer = delay_->pull(frames, 0);
    const float* delay = delayBuffer->data();
    const bool delayConstant = delay_->isConstant();

    // 1. Append the block to the ring.
    const int w = writePosition_;
    int first = std::min(frames, size - w);
    std::memcpy(&ring_[w], input->data(), sizeof(float) * static_cast<size_t>(first));
    std::memcpy(ring_.data(), input->data() + first, sizeof(float) * static_cast<size_t>(frames - first));
    ring_[static_cast<size_t>(size)] = ring_[0];
    writePosition_ = (w + frames) % size;
    valid_ = std::min(valid_ + frames, size);

    // 2. The target in whole samples.
    const float perMs = getEnvironment().getSampleRate() * 0.001f;
    const int t = targetSamples(delay[0], perMs);
    if (firstBlock_ || !std::isfinite(position_) || !std::isfinite(velocity_)) {
        position_ = t;
        velocity_ = 0.0;
        groupFilled_ = 0;
        firstBlock_ = false;
    }

    // A stream that moves within one whole sample holds the delay as still as a constant one.
    bool steady = delayConstant || holdsOneTarget(delay, frames, t, perMs);
    if (!steady) fillTargets(delay, false, t, frames, perMs);
    float* out = buffer.data();
    lastBlockGlided_ = !steady || (glide_ && std::fabs(position_ - t) >= kSettled);
    if (lastBlockGlided_) {
        // 3. Gliding: the smoother follows the per-sample target; read with interpolation. The
        // smoother stays in double: at 50 ms the position reaches 2400 samples (19200 at 384 kHz),
        // where a float step of 2^-12 sample would cost some -75 dB on a bright full-scale signal.
        if (groupFilled_ == 0) {
            groupPosition_ = position_;
            groupVelocity_ = velocity_;
        }
        if (steady) fillTargets(delay, true, t, frames, perMs);
        glide(out, frames, w);
    } else {
        // 4. Settled: copy whole runs. Without glide the position simply follows the target.
        if (!glide_) {
            position_ = t;
            velocity_ = 0.0;
        }
        groupFilled_ = 0;
        int g = (w + size - t) % size;
        int run = std::min(frames, size - g);
        if (g < valid_) {
            std::memcpy(out, &ring_[g], sizeof(float) * static_cast<size_t>(run));
        } else {
            std::memset(out, 0, sizeof(float) * static_cast<size_t>(run));
        }
        std::memcpy(out + run, ring_.data(), sizeof(float) * static_cast<size_t>(frames - run));
    }
}
