#pragma once
#include <string>

#include "parameters/ParameterEnums.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

// The parameters of one MIDI modulation source: which MIDI value it follows and, for "Controller",
// the controller number. It also carries the short label "MS <n>" of the modulation editor.
class MidiSourceParameterSet : public PluginParameterSet {
public:
    // `index` is the source's position in its list (0..9).
    MidiSourceParameterSet(GenericParameterOwner* owner, const std::string& name, int index);
    void configure() override;

    const std::string& getShortLabel() const { return shortLabel_; }

    PropPluginParameter<MidiSourceEnums::MidiInput> input;
    PropPluginParameter<int> controllerNumber;

private:
    std::string shortLabel_;
};
