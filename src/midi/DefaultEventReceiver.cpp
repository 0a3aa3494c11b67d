#include "midi/DefaultEventReceiver.h"

#include "midi/DefaultChannelEventReceiver.h"
#include "midi/MidiControllerMap.h"
#include "midi/MidiDecoder.h"

DefaultEventReceiver::DefaultEventReceiver(GenericPlugin& plugin, MidiControllerMap& map)
    : AbstractMusicEventReceiver(map),
      plugin_(plugin),
      channelReceiver_(std::make_unique<DefaultChannelEventReceiver>(plugin, map)) {
    setChannelSlot(slot_, channelReceiver_.get());
}

DefaultEventReceiver::~DefaultEventReceiver() {
    setSlotObserver(nullptr);  // observers may already be gone when the plug-in is torn down
    setChannelSlot(slot_, nullptr);
}

std::unique_ptr<MidiDecoder> DefaultEventReceiver::createInput(GenericPlugin& plugin, DefaultEventReceiver** created,
                                                               MidiControllerMap* map) {
    auto receiver = std::make_unique<DefaultEventReceiver>(plugin, map ? *map : MidiControllerMap::shared());
    if (created) *created = receiver.get();
    return std::make_unique<MidiDecoder>(std::move(receiver));
}

void DefaultEventReceiver::setLearnTarget(int parameterIndex) { channelReceiver_->setLearnTarget(parameterIndex); }

void DefaultEventReceiver::setChannelReceiver(std::unique_ptr<AbstractChannelEventReceiver> receiver) {
    if (!receiver) return;
    for (MidiListener* l : channelReceiver_->getListeners()) receiver->addListener(l);
    receiver->setLearnTarget(channelReceiver_->getLearnTarget());
    setChannelSlot(slot_, receiver.get());
    channelReceiver_ = std::move(receiver);
}

void DefaultEventReceiver::addListener(MidiListener* listener) { channelReceiver_->addListener(listener); }

void DefaultEventReceiver::removeListener(MidiListener* listener) { channelReceiver_->removeListener(listener); }

void DefaultEventReceiver::setVirtualParameters(const std::vector<MidiVirtualPluginParameter*>* list) {
    if (auto* receiver = dynamic_cast<DefaultChannelEventReceiver*>(channelReceiver_.get())) {
        receiver->setVirtualParameters(list);
    }
}

void DefaultEventReceiver::propertyChanged(PropertyBase* property) {
    if (property != &selectedChannel) return;
    const int slot = selectedChannel.get();
    if (slot == slot_) return;
    // Leave the old slot before entering the new one; the decoder also never delivers one message
    // twice to the same receiver, so a message decoded during the move is not doubled.
    setChannelSlot(slot_, nullptr);
    slot_ = slot;
    setChannelSlot(slot_, channelReceiver_.get());
}

void DefaultEventReceiver::setPresetLookup(std::function<std::string(int bank, int program)> lookup) {
    if (auto* d = dynamic_cast<DefaultChannelEventReceiver*>(channelReceiver_.get())) d->setPresetLookup(std::move(lookup));
}

bool DefaultEventReceiver::applyPendingProgramChange() {
    auto* d = dynamic_cast<DefaultChannelEventReceiver*>(channelReceiver_.get());
    return d && d->applyPendingProgramChange();
}
