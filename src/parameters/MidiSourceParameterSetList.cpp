#include "parameters/MidiSourceParameterSetList.h"

#include <memory>
#include <string>

MidiSourceParameterSetList::MidiSourceParameterSetList(GenericParameterOwner* owner, AbstractModulationOwner* modulation)
    : SourceParameterSetList<MidiSourceParameterSet>(owner, "MIDI Sources", 0, kNumMidiSources, 0, modulation, 0, 0,
                                                     kFirstSource, 1) {
    for (int k = 0; k < kNumMidiSources; ++k) {
        add(std::make_unique<MidiSourceParameterSet>(owner, "MIDI Source " + std::to_string(k + 1), k));
    }
}
