#include "modulation/Trigger.h"

#include <algorithm>

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
    for (int i = 0; i < frames; ++i) {
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
