#include "filters/DelayLine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

using wave::Buffer;

DelayLine::DelayLine(wave::Environment& environment)
    : wave::Producer(environment),
      delaySource_(environment, 0.0f),
      delay_(&delaySource_),
      ring_(static_cast<size_t>(environment.getBlockSize()) +
                static_cast<size_t>(std::ceil(kMaxSampleRate * kMaxDelayMs * 0.001f)),
            0.0f),
      delays_(static_cast<size_t>(environment.getBlockSize()), 0.0f) {
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
    writePosition_ = (w + frames) % size;
    valid_ = std::min(valid_ + frames, size);

    // 2. The target in whole samples.
    const float perMs = getEnvironment().getSampleRate() * 0.001f;
    const int t = targetSamples(delay[0], perMs);
    if (firstBlock_ || !std::isfinite(position_) || !std::isfinite(velocity_)) {
        position_ = t;
        velocity_ = 0.0;
        firstBlock_ = false;
    }

    float* out = buffer.data();
    lastBlockGlided_ = !delayConstant || (glide_ && std::fabs(position_ - t) >= kSettled);
    if (lastBlockGlided_) {
        // 3. Gliding: the smoother follows the per-sample target; read with interpolation. The
        // smoother stays in double: at 50 ms the position reaches 2400 samples (19200 at 384 kHz),
        // where a float step of 2^-12 sample would cost some -75 dB on a bright full-scale signal.
        // The ring index wraps with two compares instead of a division (0 <= m < 2·size + block).
        const double c = coefficient_;
        const double longest = maxDelaySamples();
        const bool fixedTarget = delayConstant;
        const double held = t;
        const int valid = valid_;
        const float* ring = ring_.data();
        for (int i = 0; i < frames; ++i) {
            const double x = fixedTarget ? held : static_cast<double>(targetSamples(delay[i], perMs));
            position_ += c * velocity_;
            velocity_ += c * (x - 2.0 * velocity_ - position_);
            const double d = std::clamp(position_, 0.0, longest);
            const double p = static_cast<double>(size + w + i) - d;
            const int m = static_cast<int>(p);
            int a = m >= size ? m - size : m;
            if (a >= size) a -= size;
            if (a >= valid) {
                out[i] = 0.0f;
            } else {
                const float lower = ring[a];
                const float upper = ring[a + 1 == size ? 0 : a + 1];
                out[i] = lower + (upper - lower) * static_cast<float>(p - m);
            }
        }
    } else {
        // 4. Settled: copy whole runs. Without glide the position simply follows the target.
        if (!glide_) {
            position_ = t;
            velocity_ = 0.0;
        }
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
