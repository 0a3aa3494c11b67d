#include "engine/BypassProcessor.h"

#include <algorithm>
#include <cmath>

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"

using wave::Float4;

GenericPlugin::BypassProcessor::BypassProcessor(GenericPlugin& plugin)
    : plugin_(plugin), ramp_(plugin.getEnvironment(), 0.0f) {}

void GenericPlugin::BypassProcessor::prepareLatency(int latency) {
    int needed = std::max(0, latency) + plugin_.getEnvironment().getBlockSize();
    int size = 1;
    while (size < needed) size <<= 1;
    for (auto& line : lines_) {
        if (static_cast<int>(line.ring.size()) < size) line.ring.assign(static_cast<size_t>(size), 0.0f);
    }
}

void GenericPlugin::BypassProcessor::rebuildDelayLines(int latency) {
    // Storage was sized by prepareLatency(); here only positions are cleared (no allocation).
    builtLatency_ = latency;
    for (auto& line : lines_) {
        bool fits = latency > 0 &&
                    static_cast<int>(line.ring.size()) >= latency + plugin_.getEnvironment().getBlockSize();
        line.mask = fits ? static_cast<int>(line.ring.size()) - 1 : 0;
        line.write = 0;
        line.filled = 0;
    }
}

void GenericPlugin::BypassProcessor::setState(bool bypassed) {
    state_ = bypassed;
    waitCountdown_ = plugin_.latency_;
    waitingForLatency_ = !bypassed && plugin_.latency_ >= 1;
    if (!waitingForLatency_) ramp_.setTarget(bypassed ? 1.0f : 0.0f, kCrossfadeMs);
}

void GenericPlugin::BypassProcessor::process(const float* const* inputs, float* const* outputs, int channels,
                                             int offset, int n, int flags) {
    wave::Environment& env = plugin_.getEnvironment();
    if (plugin_.isEffect() && plugin_.latency_ != builtLatency_) rebuildDelayLines(plugin_.latency_);
    env.advanceBlock();

    if (jumpToEnd_) {
        jumpToEnd_ = false;
        if (waitingForLatency_) {
            ramp_.setTarget(0.0f, kCrossfadeMs);
            waitingForLatency_ = false;
        }
        ramp_.jumpToEnd();
    }
    if (waitingForLatency_) {
        if (waitCountdown_ > 0) {
            waitCountdown_ -= n;
        } else {
            ramp_.setTarget(0.0f, kCrossfadeMs);
            waitingForLatency_ = false;
        }
    }

    ramp_.catchUp();
    ramp_.setTimeStamp(env.getCurrentTime() + n);
    bool constant = ramp_.fill(n);
    const float* amount = ramp_.buffer().data();
    float first = amount[0];

    bool delayed = lines_[0].mask != 0;
    if (delayed) {
        for (int c = 0; c < channels; ++c) {
            DelayLine& line = lines_[c];
            const float* in = inputs[c] ? inputs[c] + offset : nullptr;
            for (int i = 0; i < n; ++i) {
                float x = in ? in[i] : 0.0f;
                line.ring[static_cast<size_t>((line.write + i) & line.mask)] = std::isfinite(x) ? x : 0.0f;
            }
        }
    }

    bool needed = !constant || !wave::nearlyEqual(first, 1.0f);
    bool processed = false;
    if (needed || waitingForLatency_) {
        if (!(flags & 1)) {
            tailCountdown_ = -1;
        } else if (tailCountdown_ == -1) {
            int tail = plugin_.getTailLength();
            if (tail != -1) tailCountdown_ = tail + plugin_.latency_;
        }
        if (tailCountdown_ != 0) {
            plugin_.processChannels(processed_, channels, n);
            if (tailCountdown_ > 0) tailCountdown_ = std::max(0, tailCountdown_ - n);
            processed = true;
        }
    }
    if (!processed) {
        for (int c = 0; c < channels; ++c) processed_[c] = inputs[c] ? inputs[c] + offset : env.silence().data();
    }

    env.run(n, processed ? 0 : 1);

    if (constant && wave::nearlyEqual(first, 0.0f)) {
        for (int c = 0; c < channels; ++c) std::copy(processed_[c], processed_[c] + n, outputs[c] + offset);
    } else {
        for (int c = 0; c < channels; ++c) {
            float* out = outputs[c] + offset;
            if (!plugin_.isEffect() || (!inputs[c] && !delayed)) {
                std::fill(out, out + n, 0.0f);
            } else if (!delayed) {
                const float* in = inputs[c] + offset;
                for (int i = 0; i < n; ++i) out[i] = std::isfinite(in[i]) ? in[i] : 0.0f;
            } else {
                const DelayLine& line = lines_[c];
                for (int i = 0; i < n; ++i) {
                    int age = line.filled + i - builtLatency_;
                    out[i] = age >= 0 ? line.ring[static_cast<size_t>((line.write + i - builtLatency_) & line.mask)]
                                      : 0.0f;
                }
            }
            if (processed) {
                const float* p = processed_[c];
                for (int i = 0; i < n; ++i) out[i] = (out[i] - p[i]) * amount[i] + p[i];
            }
        }
    }

    if (delayed) {
        for (auto& line : lines_) {
            line.write = (line.write + n) & line.mask;
            line.filled = std::min(line.filled + n, 1 << 30);
        }
    }
}
