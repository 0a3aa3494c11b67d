#pragma once
#include "parameters/MidiSourceParameterSet.h"
#include "parameters/SourceParameterSetList.h"

// "MIDI Sources": ten MIDI source sets "MIDI Source 1".."MIDI Source 10", none active by default.
// MIDI source k is the modulation source 24 + k; it has no targets.
class MidiSourceParameterSetList : public SourceParameterSetList<MidiSourceParameterSet> {
public:
    static constexpr int kNumMidiSources = 10;
    static constexpr int kFirstSource = 24;

    MidiSourceParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
