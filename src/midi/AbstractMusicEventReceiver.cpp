#include "midi/AbstractMusicEventReceiver.h"

AbstractMusicEventReceiver::AbstractMusicEventReceiver(MidiControllerMap& map) : map_(map) {
    for (auto& slot : slots_) slot.store(nullptr);
}

AbstractChannelEventReceiver* AbstractMusicEventReceiver::getChannelSlot(int slot) const {
    if (slot < 0 || slot >= kSlots) return nullptr;
    return slots_[static_cast<size_t>(slot)].load(std::memory_order_acquire);
}

void AbstractMusicEventReceiver::setChannelSlot(int slot, AbstractChannelEventReceiver* receiver) {
    if (slot < 0 || slot >= kSlots) return;
    if (slots_[static_cast<size_t>(slot)].exchange(receiver, std::memory_order_acq_rel) == receiver) return;
    if (slotObserver_) slotObserver_->channelSlotChanged(slot, receiver);
}
