#pragma once

// Receives decoded channel events from a channel event receiver (audio thread). Values are
// normalized: 7-bit data as 0..1, pitch bend as -0.5..+0.5 with the wheel's centre exactly 0.
class MidiListener {
public:
    virtual ~MidiListener() = default;
    virtual void channelPressure(float value) = 0;
    virtual void polyPressure(int note, float value) = 0;
    virtual void controlChange(int controller, int value, float normalized) = 0;
    virtual void modWheel(float value) = 0;
    virtual void noteOff(int note, float velocity) = 0;
    virtual void noteOn(int note, float velocity) = 0;
    virtual void pitchBend(float value) = 0;
};
