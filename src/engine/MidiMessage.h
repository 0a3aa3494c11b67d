#pragma once
#include <cstdint>

// One short MIDI message with its sample offset inside the current host buffer.
struct MidiMessage {
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    int offset = 0;
};

// Receives raw MIDI messages (the plug-in's input side, and the decoder behind it).
class MidiMessageReceiver {
public:
    virtual ~MidiMessageReceiver() = default;
    virtual void receiveMidi(const MidiMessage& message) = 0;
};
