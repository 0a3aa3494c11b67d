#pragma once
#include <atomic>
#include <vector>

class MidiControllerMap;
class MidiListener;

// Receives the decoded events of the MIDI channel (or all channels) it is plugged into and passes
// them on to its listeners; controller changes also drive MIDI-learned parameters through the
// shared controller map, and teach the map while a learn target is set.
//
// Threads: the event operations run on the audio thread. Listeners are added and removed during
// set-up, never while audio is processed. The learn target may be set from any thread.
class AbstractChannelEventReceiver {
public:
    static constexpr int kNotLearning = -1;

    explicit AbstractChannelEventReceiver(MidiControllerMap& map);
    virtual ~AbstractChannelEventReceiver() = default;
    AbstractChannelEventReceiver(const AbstractChannelEventReceiver&) = delete;
    AbstractChannelEventReceiver& operator=(const AbstractChannelEventReceiver&) = delete;

    virtual void channelPressure(float value);
    virtual void polyPressure(int note, float value);
    // Learns (when a target is set), drives the mapped parameter, then tells the listeners;
    // controller 1 reaches them as the mod wheel as well.
    virtual void controlChange(int controller, int value, float normalized);
    virtual void noteOff(int note, float velocity);
    virtual void noteOn(int note, float velocity);
    // Sets the parameter a controller is mapped to; nothing here.
    virtual void setMappedParameter(int /*parameterIndex*/, float /*normalized*/) {}
    virtual void pitchBend(float value);
    // A program change with the channel's current bank; nothing here.
    virtual void programChange(int /*bank*/, int /*program*/) {}

    // A listener is registered at most once.
    void addListener(MidiListener* listener);
    void removeListener(MidiListener* listener);
    const std::vector<MidiListener*>& getListeners() const { return listeners_; }

    // The parameter id the next controller change is assigned to, or -1.
    void setLearnTarget(int parameterIndex) { learnTarget_.store(parameterIndex, std::memory_order_relaxed); }
    int getLearnTarget() const { return learnTarget_.load(std::memory_order_relaxed); }

    MidiControllerMap& getControllerMap() const { return map_; }

private:
    MidiControllerMap& map_;
    std::vector<MidiListener*> listeners_;
    std::atomic<int> learnTarget_{kNotLearning};
};
