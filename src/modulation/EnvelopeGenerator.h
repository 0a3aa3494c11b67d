#pragma once
#include "parameters/ParameterEnums.h"
#include <array>

#include "engine/wave/Consumer.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "modulation/EnvelopeCurves.h"
#include "platform/Property.h"

class Trigger;

// An envelope from 0 to 1 with the stages delay, attack, decay, sustain, hold and release, on the
// shared Bezier curves. Opened by a MIDI note (pending trigger, taken at the next block) or by
// the onsets its Trigger finds in an audio level signal; a retrigger starts the attack from the
// value the envelope has reached. After the gate closes, the envelope keeps going for the hold
// time before the release begins. The six parameters are read once every 64 samples.
//
// Also a mute controller: it asks for silence while idle with no trigger pending.
// Wiring at construction; everything else on the audio thread.
class EnvelopeGenerator : public wave::Source, public wave::MuteController, public PropertyOwner {
public:
    // "Normal Input,Side Chain,MIDI"
    using Triggering = EGEnums::Triggering;
    static constexpr Triggering NormalInput = EGEnums::NormalInput;
    static constexpr Triggering SideChain = EGEnums::SideChain;
    static constexpr Triggering Midi = EGEnums::Midi;
    enum Stage : int { Idle = 0, Running = 1, Finished = 2 };
    // The parameter inputs, in the order of their modulation targets.
    enum Parameter : int { Attack = 0, Decay, Sustain, Release, Hold, Delay, kParameterCount };

    // Told on the audio thread when the gate changed, at most once per 0.1 s.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void gateChanged(EnvelopeGenerator& generator, bool open) = 0;
    };

    // 64 samples at 44.1 kHz: the shortest attack, decay and release.
    static constexpr float kMinTime = 0.001451247f;
    static constexpr float kMaxTime = 100.0f;
    static constexpr int kReadInterval = 64;

    explicit EnvelopeGenerator(wave::Environment& environment);

    // The embedded ramp of a parameter, and the producer it is read from (null: the ramp).
    wave::FloatParameterSource& parameter(Parameter which) { return *ramps_[which]; }
    void setParameterInput(Parameter which, wave::Producer* input) {
        inputs_[which] = input ? input : ramps_[which].get();
    }

    // The audio onset detector; it is active unless "Triggering" is "MIDI".
    void setTrigger(Trigger* trigger);
    Trigger* getTrigger() const { return trigger_; }

    // Changing it switches the trigger on or off and closes the gate.
    Property<Triggering>& triggering() { return triggering_; }

    // A note-on: a generator on "MIDI" opens at the start of the next block.
    void midiNoteOn();
    // Closes the gate (the hold time, then the release follow), drops a pending trigger and
    // reads the parameters afresh.
    void closeGate();

    void setListener(Listener* listener) { listener_ = listener; }

    Stage getStage() const { return static_cast<Stage>(stage_); }
    bool isGateOpen() const { return gate_; }
    bool isTriggerPending() const { return pending_; }
    float getCurrentValue() const { return current_; }

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void resetState() override;
    bool shouldMute(const wave::Buffer& buffer, int frames, int flags) override;
    void propertyChanged(PropertyBase* property) override;

private:
    void retrigger(int position);
    void readParameters(int position);
    // Renders n samples from `position`, reading the parameters every 64 samples.
    void renderSamples(float* out, int position, int n);
    // Renders one span without a parameter read inside it; out may be null (skipped block).
    void renderSpan(float* out, int n);
    void setGate(bool open);
    void accountGateNotification(int frames);

    const EnvelopeCurves& curves_;
    std::array<std::unique_ptr<wave::FloatParameterSource>, kParameterCount> ramps_;
    std::array<wave::Producer*, kParameterCount> inputs_{};
    std::array<const float*, kParameterCount> values_{};  // this block's input samples
    Property<Triggering> triggering_;
    Trigger* trigger_ = nullptr;
    Listener* listener_ = nullptr;

    // Parameters as last read (-1: not read yet) and the sample counts derived from them.
    float delayTime_ = -1.0f;
    float attackTime_ = -1.0f;
    float decayTime_ = -1.0f;
    float sustain_ = -1.0f;
    float releaseTime_ = -1.0f;
    float holdTime_ = -1.0f;
    int delaySamples_ = 0;
    int holdSamples_ = 0;
    // Table positions per sample for each stage.
    double attackStep_ = 0.0;
    double decayStep_ = 0.0;
    double releaseStep_ = 0.0;

    int stage_ = Idle;
    bool gate_ = false;
    bool pending_ = false;
    float current_ = 0.0f;
    float attackStart_ = 0.0f;
    int remainingDelay_ = 0;
    int remainingAttack_ = 0;
    // Progress through each curve as a table position 0..4095.
    double attackPosition_ = 0.0;
    double decayPosition_ = 0.0;
    double releasePosition_ = EnvelopeCurves::kLastPosition;
    float decayDistance_ = 0.0f;
    float decayGoal_ = 0.0f;
    float releaseStart_ = 0.0f;
    int samplesSinceRelease_ = 0;
    int untilRead_ = 0;

    bool gateNotificationDue_ = false;
    int samplesSinceNotification_ = 1 << 30;
};
