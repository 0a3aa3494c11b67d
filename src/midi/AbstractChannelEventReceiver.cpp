#include "midi/AbstractChannelEventReceiver.h"

#include <algorithm>

#include "midi/MidiControllerMap.h"
#include "engine/MidiListener.h"

AbstractChannelEventReceiver::AbstractChannelEventReceiver(MidiControllerMap& map) : map_(map) {
    listeners_.reserve(16);
}

void AbstractChannelEventReceiver::addListener(MidiListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void AbstractChannelEventReceiver::removeListener(MidiListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void AbstractChannelEventReceiver::channelPressure(float value) {
    for (MidiListener* l : listeners_) l->channelPressure(value);
}

void AbstractChannelEventReceiver::polyPressure(int note, float value) {
    for (MidiListener* l : listeners_) l->polyPressure(note, value);
}

void AbstractChannelEventReceiver::controlChange(int controller, int value, float normalized) {
    if (controller >= 0 && controller < MidiControllerMap::kControllers) {
        const int target = getLearnTarget();
        if (target != kNotLearning) map_.assign(controller, target);
        const int mapped = map_.lookup(controller);
        if (mapped != MidiControllerMap::kNone) setMappedParameter(mapped, normalized);
    }
    for (MidiListener* l : listeners_) {
        l->controlChange(controller, value, normalized);
        if (controller == 1) l->modWheel(normalized);
    }
}

void AbstractChannelEventReceiver::noteOff(int note, float velocity) {
    for (MidiListener* l : listeners_) l->noteOff(note, velocity);
}

void AbstractChannelEventReceiver::noteOn(int note, float velocity) {
    for (MidiListener* l : listeners_) l->noteOn(note, velocity);
}

void AbstractChannelEventReceiver::pitchBend(float value) {
    for (MidiListener* l : listeners_) l->pitchBend(value);
}
