#pragma once
#include "parameters/ModulationNumbering.h"
#include "parameters/MidiSourceParameterSet.h"
#include "parameters/SourceParameterSetList.h"

// "MIDI Sources": ten MIDI source sets "MIDI Source 1".."MIDI Source 10", none active by default.
// MIDI source k is the modulation source 24 + k; it has no targets.
class MidiSourceParameterSetList : public SourceParameterSetList<MidiSourceParameterSet> {
public:
    static constexpr int kNumMidiSources = ModulationNumbering::kNumMidiSources;
    static constexpr int kFirstSource = ModulationNumbering::firstSource(ModulationNumbering::kMidiSources);

    MidiSourceParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation);
};
