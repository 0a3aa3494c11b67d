#include "modulation/Trigger.h"

#include <algorithm>

#include "engine/wave/Float4.h"
#include "platform/Tolerance.h"

Trigger::Trigger(wave::Environment& environment)
    : environment_(environment),
      holdTime_(this, kDefaultHoldMs, 0.0f, 10000.0f),
      enabled_(this, true),
      threshold_(this, kDefaultThreshold, 0.0f, 1.0f),
      // At most one event per sample, so a block never needs more entries than its size.
      events_(static_cast<size_t>(std::max(1024, environment.getBlockSize()))) {
    updateHoldSamples();
}

void Trigger::updateHoldSamples() {
    holdRate_ = environment_.getSampleRate();
    holdSamples_ = std::max(1, static_cast<int>(holdRate_ * holdTime_.get() * 0.001f));
}

void Trigger::propertyChanged(PropertyBase* property) {
    if (property == &holdTime_) {
        updateHoldSamples();
    } else if (property == &enabled_) {
        // A trigger switched off and on again starts from a closed gate.
        gate_ = false;
        count_ = 0;
        eventCount_ = 0;
    }
}

void Trigger::push(int type, int position) {
    if (eventCount_ < static_cast<int>(events_.size())) events_[static_cast<size_t>(eventCount_++)] = Event{type, position};
}

void Trigger::analyse(int frames) {
    if (blockStamp_ == environment_.getBlockCounter()) return;
    blockStamp_ = environment_.getBlockCounter();
    eventCount_ = 0;
    if (!enabled_.get() || !getInput()) return;
    if (holdRate_ != environment_.getSampleRate()) updateHoldSamples();

    const wave::Buffer* in = pullInput(environment_, frames, 0);
    const float* level = in->data();
    const float openAbove = threshold_.get() + wave::kTolerance;
    const float releaseBelow = threshold_.get() * 0.5f + wave::kTolerance;
    int i = 0;
    while (i < frames) {
        const int n = std::min(kGroup, frames - i);
        if (n == kGroup && skipGroup(level + i, openAbove, releaseBelow)) {
            i += kGroup;
            continue;
        }
        for (const int end = i + n; i < end; ++i) {
            if (!gate_) {
                if (level[i] > openAbove) {
                    gate_ = true;
                    count_ = 0;
                    push(On, i);
                }
            } else if (level[i] < releaseBelow) {
                if (++count_ > holdSamples_) {
                    gate_ = false;
                    count_ = 0;
                    push(Off, i);
                }
            } else {
                count_ = 0;
            }
        }
    }
}

bool Trigger::skipGroup(const float* level, float openAbove, float releaseBelow) {
    // The smallest and largest level of the group, and whether all are finite (x·0 is 0 for
    // every finite x and NaN otherwise). A group with a non-finite level goes sample by sample.
    using wave::Float4;
    Float4 lo = Float4::loadUnaligned(level);
    Float4 hi = lo;
    Float4 finite = lo * Float4(0.0f);
    for (int k = 4; k < kGroup; k += 4) {
        const Float4 x = Float4::loadUnaligned(level + k);
        lo = min(lo, x);
        hi = max(hi, x);
        finite += x * Float4(0.0f);
    }
    const float test = (finite.lane(0) + finite.lane(1)) + (finite.lane(2) + finite.lane(3));
    if (test != 0.0f) return false;
    const float lowest = std::min(std::min(lo.lane(0), lo.lane(1)), std::min(lo.lane(2), lo.lane(3)));
    const float highest = std::max(std::max(hi.lane(0), hi.lane(1)), std::max(hi.lane(2), hi.lane(3)));
    if (!gate_) return !(highest > openAbove);  // nothing opens the gate
    if (!(lowest < releaseBelow)) {
        count_ = 0;  // every sample is above the release level and starts the hold again
        return true;
    }
    if (highest < releaseBelow && count_ + kGroup <= holdSamples_) {
        count_ += kGroup;  // every sample counts, and the hold does not run out
        return true;
    }
    return false;
}
