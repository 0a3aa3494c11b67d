#pragma once
#include <string>

#include "parameters/ParameterEnums.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

// The MIDI source parameter created after the slots: its response curve.
class MidiSourceParameterSetExtension : public PluginParameterSet {
public:
    MidiSourceParameterSetExtension(GenericParameterOwner* owner, const std::string& name);
    void configure() override;

    PropPluginParameter<MidiSourceEnums::ResponseCurve> responseCurve;
};
