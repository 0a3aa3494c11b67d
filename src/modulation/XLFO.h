#pragma once
#include "parameters/ParameterEnums.h"
#include <array>
#include <vector>
#include <cstdint>

#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "modulation/XLFOPhaseTrack.h"
#include "platform/Property.h"

// The step LFO. One cycle is a sequence of 1..16 steps; the first half of the steps shares the
// first "Balance" fraction of the cycle and the rest shares the remainder (with an odd count the
// middle step straddles the balance point and runs at both speeds). Each step holds its value, or
// a fresh random value on every pass, and glides into the next step over the last `glide`
// fraction of its length along one of four curves. Values can snap to a grid of 25 levels.
//
// Inputs: frequency in Hz (usually an XLFOFreqController), a global glide -1..1 added to every
// step's glide, and a phase offset in cycles. Each defaults to an embedded ramp.
// The phase is the fractional part of (sync phase + phase offset); the sync phase follows time,
// the host's song position (through the frequency controller) and MIDI retriggers. Phases are
// worked out per sample, and from the graph's clock while following the song position, so the
// output does not depend on how the host cuts its buffers.
//
// Properties are set on the audio thread (parameter queue); rendering on the audio thread.
class XLFO : public wave::Source, public PropertyOwner {
public:
    // "Linear,Sqr,Sqrt,Sine"
    using GlideCurve = XLFOEnums::GlideCurve;
    static constexpr GlideCurve Linear = XLFOEnums::Linear;
    static constexpr GlideCurve Sqr = XLFOEnums::Sqr;
    static constexpr GlideCurve Sqrt = XLFOEnums::Sqrt;
    static constexpr GlideCurve Sine = XLFOEnums::Sine;

    static constexpr int kMaxSteps = 16;
    static constexpr float kMinBalance = 0.0001f;
    static constexpr float kMaxBalance = 0.9999f;
    static constexpr float kMaxFrequency = 5000.0f;

    class Step : public PropertyOwner {
    public:
        Step();

        LimitedProperty<float>& value() { return value_; }    // -1..1
        LimitedProperty<float>& glide() { return glide_; }    // 0..1 of the step's length
        Property<GlideCurve>& glideFunction() { return glideFunction_; }
        Property<bool>& random() { return random_; }           // "Fixed,Random"

        double getStart() const { return start_; }
        double getEnd() const { return end_; }
        bool isMiddle() const { return middle_; }
        // The value of the current (or last) pass through this step.
        float getCurrentValue() const { return current_; }

        void propertyChanged(PropertyBase* property) override;

    private:
        friend class XLFO;

        LimitedProperty<float> value_;
        LimitedProperty<float> glide_;
        Property<GlideCurve> glideFunction_;
        Property<bool> random_;
        double start_ = 0.0;
        double end_ = 1.0;
        bool middle_ = false;
        float current_ = 0.0f;
        bool valid_ = false;
        float storedRandom_ = 0.0f;
    };

    explicit XLFO(wave::Environment& environment);

    Step& step(int index) { return steps_[static_cast<size_t>(index)]; }
    const Step& step(int index) const { return steps_[static_cast<size_t>(index)]; }

    LimitedProperty<int>& stepCount() { return stepCount_; }     // 1..16
    LimitedProperty<float>& balance() { return balance_; }       // 0.0001..0.9999
    Property<bool>& snap() { return snap_; }                     // "No Snap,Snap"
    Property<bool>& midiTrigger() { return midiTrigger_; }       // "Off,On"

    // Random steps lie in [0, 1) when set (the product's choice), else in [-1, 1).
    void setRandomUnipolar(bool unipolar) { randomUnipolar_ = unipolar; }
    // Restarts the random sequence; any seed maps into the register. The owner seeds every XLFO
    // from its own generator, so instances never share or disturb a sequence (the register starts
    // at 1 until then).
    void setRandomSeed(uint32_t seed);

    // Embedded input ramps and the inputs actually read (null restores the ramp).
    wave::FloatParameterSource& frequencyParameter() { return frequency_; }
    wave::FloatParameterSource& glideParameter() { return glide_; }
    wave::FloatParameterSource& phaseOffsetParameter() { return phaseOffset_; }
    void setFrequencyInput(wave::Producer* input) { frequencyInput_ = input ? input : &frequency_; }
    void setGlideInput(wave::Producer* input) { glideInput_ = input ? input : &glide_; }
    void setPhaseOffsetInput(wave::Producer* input) { phaseOffsetInput_ = input ? input : &phaseOffset_; }

    // A note-on: with "MIDI Trigger" on, the cycle restarts at its beginning (plus the phase
    // offset) and a synced cycle is counted from the note's song position from then on.
    void noteOn();
    // The host's song position: `position` quarter notes at graph time `time`, advancing by
    // `beatsPerSample`. Notes take their trigger position from it.
    void setSongPosition(double position, std::int64_t time, double beatsPerSample);
    // Locks the sync phase to the song position at `cyclesPerBar` cycles per 4/4 bar (once a
    // position is known): the sync phase of each sample is computed from the clock, not summed up.
    void lockToPosition(double cyclesPerBar);
    // The sync phase runs free at the frequency input again.
    void unlock() { locked_ = false; }
    bool isLocked() const { return locked_; }

    double getPhase() const { return phase_; }
    double getSyncPhase() const { return syncPhase_; }
    bool isInSecondHalf() const { return secondHalf_; }
    // More than 20 steps per second: displays show the largest step value instead.
    bool isFast() const { return fast_; }
    // The step whose span holds the phase.
    int findStep(double phase) const;
    // The value on the 25-level grid from -1 to 1 nearest to v.
    static float snapToGrid(float v);

    void render(wave::Buffer& buffer, int frames, int flags) override;
    void propertyChanged(PropertyBase* property) override;

private:
    void layoutSteps();
    void invalidateSteps();
    // The next value of the random sequence, at least 0.2 away from the previous value v.
    float nextRandom(float v);
    void changeBalance(double balance);
    float stepValue(int index);
    // What stays fixed during one pass through a step.
    struct Pass {
        float value;      // held value
        float rise;       // the glide's way to the next value
        float glide;      // the step's own glide
        int curve;
        double spanStart, spanEnd, xBase, xScale;  // the span run through and its map to x
    };
    // How the inputs of a block vary: all of them, only the glide, or none.
    enum Inputs { Varying, SteadyPhase, Constant };
    int renderStep(int index, float* out, int i, int frames, const float* frequency, const float* glide,
                   const float* phaseOffset, Inputs inputs);
    // Renders samples from i on until the phase leaves the pass's span or the block ends; returns
    // the next sample and the phase as it ran on. runPass takes constant inputs, sample by sample;
    // runTracked takes the phases of the block from the track and the glide input per sample.
    int runPass(const Pass& pass, float* out, int i, int frames, float f, float g, float offset, double& reached);
    int runTracked(const Pass& pass, float* out, int i, int frames, const float* glide, double& reached);
    // The phases of a block whose frequency or offset input varies, into track_.
    void trackPhases(const float* frequency, const float* phaseOffset, int first, int frames);
    // With a steady phase: the pass as a held stretch (a fill) and a gliding one, their ends found
    // from the exact phase at a few samples instead of a test per sample; a varying glide input
    // (`glide` not null) is applied per sample in place of g. Returns -1, with nothing written,
    // where the phase does not advance steadily enough for that (then runPass goes on).
    int runStretches(const Pass& pass, float* out, int i, int frames, float f, float g, const float* glide,
                     float offset, double& reached);
    // The song position (quarter notes) at graph time `time`, and the locked sync phase there.
    double positionAt(std::int64_t time) const;
    double lockedPhase(std::int64_t time) const;

    std::array<Step, kMaxSteps> steps_;
    LimitedProperty<int> stepCount_;
    LimitedProperty<float> balance_;
    Property<bool> snap_;
    Property<bool> midiTrigger_;

    wave::FloatParameterSource frequency_;
    wave::FloatParameterSource glide_;
    wave::FloatParameterSource phaseOffset_;
    wave::Producer* frequencyInput_;
    wave::Producer* glideInput_;
    wave::Producer* phaseOffsetInput_;

    int count_;             // active steps
    double b_;              // balance in use
    double phase_ = 0.0;
    double syncPhase_ = 0.0;
    float previousOffset_ = 0.0f;
    bool secondHalf_ = false;
    // The song position followed: known at all, locked to, and its line through the clock.
    bool hasPosition_ = false;
    bool locked_ = false;
    double lockPosition_ = 0.0;
    std::int64_t lockTime_ = 0;
    double lockBeatsPerSample_ = 0.0;
    double lockCyclesPerBar_ = 0.0;
    std::int64_t renderTime_ = 0;  // the graph time of the block being rendered
    double triggerReference_ = 0.0;
    uint32_t random_ = 1;
    bool randomUnipolar_ = true;
    bool fast_ = false;
    // The phases of a block whose frequency or offset input varies, and the glide of each sample
    // of such a pass (applied after the pass).
    XLFOPhaseTrack track_;
    bool tracking_ = false;  // the rest of this block runs on the track
    std::vector<float> glides_;
};
