#include "midi/DefaultChannelEventReceiver.h"

#include <algorithm>
#include <cmath>

#include "engine/GenericPlugin.h"
#include "parameters/MidiVirtualPluginParameter.h"
#include "platform/AsyncEventQueue.h"

DefaultChannelEventReceiver::DefaultChannelEventReceiver(GenericPlugin& plugin, MidiControllerMap& map)
    : AbstractChannelEventReceiver(map), plugin_(plugin) {}

void DefaultChannelEventReceiver::noteOff(int note, float velocity) {
    plugin_.noteOff(note, velocity);
    AbstractChannelEventReceiver::noteOff(note, velocity);
}

void DefaultChannelEventReceiver::noteOn(int note, float velocity) {
    plugin_.noteOn(note, velocity, 0);
    AbstractChannelEventReceiver::noteOn(note, velocity);
}

void DefaultChannelEventReceiver::setMappedParameter(int parameterIndex, float normalized) {
    if (!std::isfinite(normalized)) return;
    normalized = std::clamp(normalized, 0.0f, 1.0f);
    if (parameterIndex >= MidiVirtualPluginParameter::kFirstId) {
        const size_t k = static_cast<size_t>(parameterIndex - MidiVirtualPluginParameter::kFirstId);
        if (!virtuals_ || k >= virtuals_->size() || !(*virtuals_)[k]) return;
        (*virtuals_)[k]->setNormalized(normalized);
    } else {
        AbstractPluginParameter* parameter = plugin_.getParameter(parameterIndex);
        if (!parameter) return;
        // Stored and queued like any other change; the framework applies it right after this
        // message, so it takes effect at the message's sample position.
        parameter->setValue(parameter->denormalize(normalized), 0);
    }
    plugin_.currentPreset().setModified(true);
}

void DefaultChannelEventReceiver::programChange(int bank, int program) {
    SharedPluginSettings* settings = GenericPlugin::sharedSettings();
    if (!settings || !settings->enableMIDIProgramChanges.get()) return;
    if (bank < 0 || bank > 0x3FFF || program < 0 || program > 127) return;
    pendingProgram_.store(bank << 7 | program, std::memory_order_release);
    if (queue_) queue_->post(queueCode_, 0);
}

bool DefaultChannelEventReceiver::takeProgramChange(int& bank, int& program) {
    const int request = pendingProgram_.exchange(kNoRequest, std::memory_order_acquire);
    if (request == kNoRequest) return false;
    bank = request >> 7;
    program = request & 0x7F;
    return true;
}

bool DefaultChannelEventReceiver::applyPendingProgramChange() {
    int bank = 0;
    int program = 0;
    if (!takeProgramChange(bank, program) || !lookup_) return false;
    const std::string path = lookup_(bank, program);
    return !path.empty() && plugin_.loadPreset(path);
}
