#include "parameters/MidiSourceParameterSetListExtension.h"

#include <memory>
#include <string>

#include "parameters/MidiSourceParameterSetList.h"

MidiSourceParameterSetListExtension::MidiSourceParameterSetListExtension(GenericParameterOwner* owner) {
    for (int k = 0; k < MidiSourceParameterSetList::kNumMidiSources; ++k) {
        add(std::make_unique<MidiSourceParameterSetExtension>(owner, "MIDI Source " + std::to_string(k + 1)));
    }
}
