#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "engine/MidiMessage.h"

class AbstractChannelEventReceiver;
class AbstractMusicEventReceiver;

// Turns raw MIDI messages into events for the channel receivers of an event receiver: each channel
// message goes to the all-channels slot and then to its own channel's slot (never twice to the
// same receiver). Tracks a 14-bit bank number per slot from controllers 0 (MSB) and 32 (LSB) for
// program changes; controller 123 (all notes off) becomes noteOff(0, 0).
//
// Messages with a status byte below 0x80, or with a data byte of 0x80 or more inside the
// message's length, are malformed and ignored whole. Of the system messages only system reset
// (0xFF) is acted on.
//
// Threads: receiveMidi on the audio thread; it never allocates or locks.
class MidiDecoder : public MidiMessageReceiver {
public:
    static constexpr int kSlots = 17;

    // Feeds a receiver owned elsewhere.
    explicit MidiDecoder(AbstractMusicEventReceiver& receiver);
    // Feeds and owns the receiver (null: every message is ignored).
    explicit MidiDecoder(std::unique_ptr<AbstractMusicEventReceiver> receiver);
    ~MidiDecoder() override;

    void receiveMidi(const MidiMessage& message) override;

    // The bank number of a slot (0 outside 0..16).
    int getBank(int slot) const;
    AbstractMusicEventReceiver* getEventReceiver() const { return receiver_; }

    // A 7-bit value as 0..1.
    static float normalize(int value) { return static_cast<float>(value) * (1.0f / 127.0f); }
    // A 14-bit pitch bend value as -0.5..+0.5: 0 gives -0.5, the centre 8192 exactly 0, 16383 +0.5.
    static float pitchBendValue(int value);

private:
    void dispatch(int slot, AbstractChannelEventReceiver* receiver, int kind, int data1, int data2);

    std::unique_ptr<AbstractMusicEventReceiver> owned_;
    AbstractMusicEventReceiver* receiver_;
    std::array<int, kSlots> banks_{};
};
