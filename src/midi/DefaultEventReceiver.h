#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/AbstractMusicEventReceiver.h"
#include "platform/Property.h"

class GenericPlugin;
class MidiDecoder;
class MidiListener;
class MidiVirtualPluginParameter;

// The plug-in's event receiver: one channel receiver (a DefaultChannelEventReceiver to begin with)
// sitting in the slot of the selected MIDI channel, so with channel 0 the plug-in hears every
// channel and with channel n only channel n.
//
// A plug-in gets its whole MIDI input in one line:
//   std::unique_ptr<MidiMessageReceiver> createEventReceiver() override {
//       return DefaultEventReceiver::createInput(*this, &midiReceiver_);
//   }
class DefaultEventReceiver : public AbstractMusicEventReceiver, public PropertyOwner {
public:
    DefaultEventReceiver(GenericPlugin& plugin, MidiControllerMap& map);
    ~DefaultEventReceiver() override;

    // A decoder owning a new DefaultEventReceiver for the plug-in; `created`, when given, receives
    // the receiver. The map defaults to the process-wide controller map.
    static std::unique_ptr<MidiDecoder> createInput(GenericPlugin& plugin, DefaultEventReceiver** created = nullptr,
                                                    MidiControllerMap* map = nullptr);

    void setLearnTarget(int parameterIndex) override;
    // Set-up (not while audio is processed): replaces the channel receiver, which takes over the
    // listeners and the learn target of the previous one; a null receiver is refused.
    virtual void setChannelReceiver(std::unique_ptr<AbstractChannelEventReceiver> receiver);
    AbstractChannelEventReceiver& getChannelReceiver() const { return *channelReceiver_; }

    // Set-up: forwarded to the channel receiver.
    void addListener(MidiListener* listener);
    void removeListener(MidiListener* listener);
    // Set-up: the virtual MIDI-learn parameters (only a DefaultChannelEventReceiver uses them).
    void setVirtualParameters(const std::vector<MidiVirtualPluginParameter*>* list);
    // Set-up: how program changes find their preset file (only a DefaultChannelEventReceiver uses it).
    void setPresetLookup(std::function<std::string(int bank, int program)> lookup);
    // Not on the audio thread: loads the preset of a pending program change; true when one was loaded.
    bool applyPendingProgramChange();

    // 0 = all channels, 1..16 = that channel only.
    LimitedProperty<int> selectedChannel{this, 0, 0, 16};

    void propertyChanged(PropertyBase* property) override;

    GenericPlugin& getPlugin() const { return plugin_; }

private:
    GenericPlugin& plugin_;
    std::unique_ptr<AbstractChannelEventReceiver> channelReceiver_;
    int slot_ = 0;
};
