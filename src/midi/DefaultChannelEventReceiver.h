#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "midi/AbstractChannelEventReceiver.h"

class AsyncEventQueue;
class GenericPlugin;
class MidiVirtualPluginParameter;

// The plug-in's channel receiver: notes reach the plug-in before the listeners, mapped controllers
// set plug-in parameters (or virtual parameters), and program changes select presets.
//
// A program change arrives on the audio thread, where no preset may be loaded. It is recorded as a
// pending request (the newest wins) and, when a queue is attached, announced through it; the
// queue's owning thread then calls applyPendingProgramChange(), which finds the preset and loads it.
class DefaultChannelEventReceiver : public AbstractChannelEventReceiver {
public:
    // Finds the preset file for (bank, program); an empty string when there is none.
    using PresetLookup = std::function<std::string(int bank, int program)>;

    DefaultChannelEventReceiver(GenericPlugin& plugin, MidiControllerMap& map);

    // The plug-in hears a note first (noteOff(note, velocity), noteOn(note, velocity, 0)), then
    // the listeners.
    void noteOff(int note, float velocity) override;
    void noteOn(int note, float velocity) override;
    // Ids from 0x100000 on address the virtual parameters; any other id a plug-in parameter, which
    // takes the denormalized value. Unknown ids and non-finite values are ignored.
    void setMappedParameter(int parameterIndex, float normalized) override;
    // Audio thread: records the request when "EnableMIDIProgramChanges" is on.
    void programChange(int bank, int program) override;

    // Set-up: the virtual parameters (not owned; the list must outlive the receiver).
    void setVirtualParameters(const std::vector<MidiVirtualPluginParameter*>* list) { virtuals_ = list; }
    // Set-up: where pending program changes are announced as (code, 0).
    void setProgramChangeQueue(AsyncEventQueue* queue, int code) {
        queue_ = queue;
        queueCode_ = code;
    }
    // Set-up: how a (bank, program) pair is turned into a preset file.
    void setPresetLookup(PresetLookup lookup) { lookup_ = std::move(lookup); }

    // Any thread: takes the pending request, if any.
    bool takeProgramChange(int& bank, int& program);
    // Not on the audio thread: loads the preset of the pending request. True when one was loaded.
    bool applyPendingProgramChange();

private:
    static constexpr int kNoRequest = -1;

    GenericPlugin& plugin_;
    const std::vector<MidiVirtualPluginParameter*>* virtuals_ = nullptr;
    // bank << 7 | program, or -1.
    std::atomic<int> pendingProgram_{kNoRequest};
    AsyncEventQueue* queue_ = nullptr;
    int queueCode_ = 0;
    PresetLookup lookup_;
};
