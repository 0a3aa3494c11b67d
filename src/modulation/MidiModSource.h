#pragma once
#include "parameters/ParameterEnums.h"
#include <array>
#include <vector>

#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Producer.h"
#include "engine/MidiListener.h"
#include "platform/Property.h"

// A modulation source that follows one MIDI control value (mod wheel, pitch bend, note velocity,
// aftertouch, key number or any controller) bent by a response curve. Its output glides to each
// new value over the automatic ramp time of a value ramp of range -1..1 and span 0.5, so a change
// of 0.15 or more takes 20 ms and smaller ones up to 150 ms.
//
// Threads: everything on the audio thread (MIDI decoding and parameter changes happen there);
// construction and destruction during set-up.
class MidiModSource : public wave::Source, public PropertyOwner {
public:
    using MidiInput = MidiSourceEnums::MidiInput;
    static constexpr MidiInput ModWheel = MidiSourceEnums::ModWheel;
    static constexpr MidiInput PitchBend = MidiSourceEnums::PitchBend;
    static constexpr MidiInput Velocity = MidiSourceEnums::Velocity;
    static constexpr MidiInput Aftertouch = MidiSourceEnums::Aftertouch;
    static constexpr MidiInput KBTrack = MidiSourceEnums::KBTrack;
    static constexpr MidiInput Controller = MidiSourceEnums::Controller;
    using ResponseCurve = MidiSourceEnums::ResponseCurve;
    static constexpr ResponseCurve Linear = MidiSourceEnums::Linear;
    static constexpr ResponseCurve Exp = MidiSourceEnums::Exp;
    static constexpr ResponseCurve Log = MidiSourceEnums::Log;
    static constexpr ResponseCurve Sqr = MidiSourceEnums::Sqr;
    static constexpr ResponseCurve Sqrt = MidiSourceEnums::Sqrt;
    static constexpr ResponseCurve Sine = MidiSourceEnums::Sine;
    static constexpr int kNumInputs = 6;
    static constexpr int kNumCurves = 6;
    static constexpr const char* kInputNames = "Mod Wheel,Pitch Bend,Velocity,Aftertouch,KB Track,Controller";
    static constexpr const char* kCurveNames = "Linear,Exp,Log,Sqr,Sqrt,Sine";

    // The latest MIDI values for every MIDI source of a plug-in instance: 0..127 the controllers
    // (0..1), then mod wheel, pitch bend (-0.5..0.5), last note-on velocity, aftertouch (0..1)
    // and last note-on key (0..127). Register it as a listener of the plug-in's event receiver.
    class Cache : public MidiListener {
    public:
        static constexpr int kModWheel = 128;
        static constexpr int kPitchBend = 129;
        static constexpr int kVelocity = 130;
        static constexpr int kAftertouch = 131;
        static constexpr int kKey = 132;
        static constexpr int kNumValues = 133;
        static constexpr int kAnyNote = -1;

        Cache();

        // The stored value (0 for an index outside 0..132).
        float getValue(int index) const;
        // Only notes equal to the filter set velocity, key and poly pressure; -1 takes every note.
        void setNoteFilter(int note) { noteFilter_ = note; }
        int getNoteFilter() const { return noteFilter_; }

        // Set-up: sources register themselves.
        void addListener(MidiModSource* source);
        void removeListener(MidiModSource* source);

        void channelPressure(float value) override;
        void polyPressure(int note, float value) override;
        void controlChange(int controller, int value, float normalized) override;
        void modWheel(float value) override;
        void noteOff(int note, float velocity) override;
        void noteOn(int note, float velocity) override;
        void pitchBend(float value) override;

    private:
        bool accepts(int note) const { return noteFilter_ == kAnyNote || note == noteFilter_; }
        // Stores a finite value and tells every source.
        void store(int index, float value);

        std::array<float, kNumValues> values_{};
        int noteFilter_ = kAnyNote;
        std::vector<MidiModSource*> listeners_;
    };

    MidiModSource(wave::Environment& environment, Cache& cache);
    ~MidiModSource() override;

    // Which value the source follows; the controller number is used with "Controller".
    Property<MidiInput> input{this, ModWheel};
    Property<int> controllerNumber{this, 0};
    Property<ResponseCurve> responseCurve{this, Linear};

    // From the cache: follows the value when the index is the one this source listens to.
    void update(int index, float value);
    // Re-reads the cache so the output follows the new input or curve at once.
    void propertyChanged(PropertyBase* property) override;

    void render(wave::Buffer& buffer, int frames, int flags) override;

    // The cache index the source listens to.
    int listenedIndex() const;
    // Ramp time in ms for velocity and key changes; below 0 = automatic.
    void setNoteRampTime(float ms) { noteRampTime_ = ms; }
    float getNoteRampTime() const { return noteRampTime_; }
    // The value the output glides to (-1..1).
    float getTarget() const { return ramp_.getTarget(); }
    // The value for the editor's level meter, 0..1.
    float displayValue() const;

    // The response curves, odd functions with f(1) = 1 (out-of-range values count as Linear).
    static float curve(ResponseCurve c, float x);
    // The output for a cache value v of the given input.
    static float outputFor(MidiInput in, ResponseCurve c, float v);

private:
    MidiInput validInput() const;
    ResponseCurve validCurve() const;
    void follow(float value);

    Cache& cache_;
    wave::FloatParameterSource ramp_;
    float noteRampTime_ = -1.0f;
};
