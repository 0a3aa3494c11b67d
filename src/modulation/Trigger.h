#pragma once
#include <span>
#include <vector>

#include "engine/wave/Consumer.h"
#include "engine/wave/Environment.h"
#include "platform/Property.h"

// Turns a level signal (non-negative amplitude, 1.0 = full scale) into gate events for an
// envelope generator. The gate opens at the first sample above the threshold and closes only
// after the level has stayed below half the threshold for longer than the hold time, so a level
// hovering between the two keeps it open.
//
// Properties are set on the audio thread (parameter queue); analyse() runs on the audio thread
// once per block, called by the generator that owns the trigger.
class Trigger : public wave::Output, public PropertyOwner {
public:
    enum EventType : int { Off = 0, On = 1 };
    struct Event {
        int type;      // On or Off
        int position;  // sample index within the block
    };

    static constexpr float kDefaultHoldMs = 15.0f;
    static constexpr float kDefaultThreshold = 0.9f;

    explicit Trigger(wave::Environment& environment);

    LimitedProperty<float>& holdTime() { return holdTime_; }      // milliseconds
    Property<bool>& enabled() { return enabled_; }                 // off: no events at all
    LimitedProperty<float>& threshold() { return threshold_; }    // linear amplitude 0..1

    // Analyses this block's level signal and fills the event list; a second call in the same
    // block does nothing. Without an input, or while disabled, the list stays empty.
    void analyse(int frames);
    std::span<const Event> events() const { return {events_.data(), static_cast<size_t>(eventCount_)}; }

    bool isGateOpen() const { return gate_; }
    int getHoldSamples() const { return holdSamples_; }

    void propertyChanged(PropertyBase* property) override;

private:
    static constexpr int kGroup = 32;

    void updateHoldSamples();
    // Takes a group of kGroup levels at once where no sample of it can open or close the gate
    // (and updates the hold count as the samples would); false leaves the group to the
    // sample-by-sample test.
    bool skipGroup(const float* level, float openAbove, float releaseBelow);
    void push(int type, int position);

    wave::Environment& environment_;
    LimitedProperty<float> holdTime_;
    Property<bool> enabled_;
    LimitedProperty<float> threshold_;

    int holdSamples_ = 1;
    float holdRate_ = 0.0f;  // the sample rate holdSamples_ was computed for
    bool gate_ = false;
    int count_ = 0;
    std::int64_t blockStamp_ = -1;
    std::vector<Event> events_;  // sized once at construction; eventCount_ entries are valid
    int eventCount_ = 0;
};
