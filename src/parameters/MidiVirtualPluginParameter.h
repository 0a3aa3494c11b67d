#pragma once
#include <string>
#include <vector>

// A MIDI-learnable target without a host parameter of its own (such as the filter link knobs).
// It is not in the host's parameter list; its id is kFirstId for the first virtual parameter of
// a list and one more for each further one, so list[id - kFirstId] finds it again.
class MidiVirtualPluginParameter {
public:
    static constexpr int kFirstId = 0x100000;

    // Appends itself to the caller's list (which must outlive the parameter) and takes the id
    // 0xFFFFF + the list's new length.
    MidiVirtualPluginParameter(std::vector<MidiVirtualPluginParameter*>& list, const std::string& name);
    virtual ~MidiVirtualPluginParameter() = default;
    MidiVirtualPluginParameter(const MidiVirtualPluginParameter&) = delete;
    MidiVirtualPluginParameter& operator=(const MidiVirtualPluginParameter&) = delete;

    // Receives a normalized controller value 0..1.
    virtual void setNormalized(float n) = 0;

    const std::string& getName() const { return name; }
    int getId() const { return id; }

protected:
    std::string name;
    int id;
};
