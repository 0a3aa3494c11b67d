#pragma once
#include <string>
#include <vector>

class GenericParameterOwner;
class MidiVirtualPluginParameter;

// What MIDI learn shows about its targets: the host parameters (ids 0..n-1) and the virtual
// parameters (ids from 0x100000), with their names. The learn menu and overlay read names only
// through it. Editor thread.
class MidiLearnTargets {
public:
    virtual ~MidiLearnTargets() = default;
    virtual int getNumParameters() const = 0;
    // The virtual parameters' ids in their order.
    virtual std::vector<int> getVirtualIds() const = 0;
    // The host name of a parameter or the name of a virtual parameter; empty for an unknown id.
    virtual std::string getTargetName(int id) const = 0;
};

// The targets of a plug-in: its parameter list and its list of virtual parameters (both must
// outlive this object).
class PluginLearnTargets : public MidiLearnTargets {
public:
    PluginLearnTargets(GenericParameterOwner& owner, const std::vector<MidiVirtualPluginParameter*>& virtuals)
        : owner_(owner), virtuals_(virtuals) {}

    int getNumParameters() const override;
    std::vector<int> getVirtualIds() const override;
    std::string getTargetName(int id) const override;

private:
    GenericParameterOwner& owner_;
    const std::vector<MidiVirtualPluginParameter*>& virtuals_;
};
