#pragma once
#include <array>
#include <atomic>
#include <cstdint>

class AbstractChannelEventReceiver;
class MidiControllerMap;

// The plug-in's side of MIDI input: 17 channel slots (slot 0 = all channels, slot n = MIDI channel
// n) holding the channel receivers that the decoder feeds, plus optional observers of raw messages
// and of system reset.
//
// Threads: slots and observers are read on the audio thread and may be changed from any thread
// (each is one atomic pointer). Receivers placed in slots must stay alive while they are in one.
class AbstractMusicEventReceiver {
public:
    static constexpr int kSlots = 17;

    class RawMessageObserver {
    public:
        virtual ~RawMessageObserver() = default;
        // Every accepted message before it is decoded (audio thread).
        virtual void rawMidiMessage(uint8_t status, uint8_t data1, uint8_t data2) = 0;
    };
    class SystemResetObserver {
    public:
        virtual ~SystemResetObserver() = default;
        virtual void systemReset() = 0;  // audio thread
    };
    class SlotObserver {
    public:
        virtual ~SlotObserver() = default;
        // A slot took another receiver (null = empty), on the thread that changed it.
        virtual void channelSlotChanged(int slot, AbstractChannelEventReceiver* receiver) = 0;
    };

    explicit AbstractMusicEventReceiver(MidiControllerMap& map);
    virtual ~AbstractMusicEventReceiver() = default;
    AbstractMusicEventReceiver(const AbstractMusicEventReceiver&) = delete;
    AbstractMusicEventReceiver& operator=(const AbstractMusicEventReceiver&) = delete;

    // Starts (parameter id) or ends (-1) MIDI learn.
    virtual void setLearnTarget(int parameterIndex) = 0;

    // The receiver in a slot, or null (also for slots outside 0..16).
    AbstractChannelEventReceiver* getChannelSlot(int slot) const;

    void setRawMessageObserver(RawMessageObserver* observer) { rawObserver_.store(observer); }
    RawMessageObserver* getRawMessageObserver() const { return rawObserver_.load(std::memory_order_acquire); }
    void setSystemResetObserver(SystemResetObserver* observer) { resetObserver_.store(observer); }
    SystemResetObserver* getSystemResetObserver() const { return resetObserver_.load(std::memory_order_acquire); }
    // Set-up: the one observer of slot changes.
    void setSlotObserver(SlotObserver* observer) { slotObserver_ = observer; }

    MidiControllerMap& getControllerMap() const { return map_; }

protected:
    // Puts a receiver (or null) into a slot and tells the slot observer when it changed.
    void setChannelSlot(int slot, AbstractChannelEventReceiver* receiver);

private:
    MidiControllerMap& map_;
    std::array<std::atomic<AbstractChannelEventReceiver*>, kSlots> slots_{};
    std::atomic<RawMessageObserver*> rawObserver_{nullptr};
    std::atomic<SystemResetObserver*> resetObserver_{nullptr};
    SlotObserver* slotObserver_ = nullptr;
};
