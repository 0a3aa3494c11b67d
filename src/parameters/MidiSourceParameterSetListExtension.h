#pragma once
#include "parameters/MidiSourceParameterSetExtension.h"
#include "parameters/ParameterSetArray.h"

// The ten MIDI source extension sets, named like their sources.
class MidiSourceParameterSetListExtension : public ParameterSetArray<MidiSourceParameterSetExtension> {
public:
    explicit MidiSourceParameterSetListExtension(GenericParameterOwner* owner);
};
