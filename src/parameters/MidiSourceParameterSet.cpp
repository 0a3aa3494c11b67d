#include "parameters/MidiSourceParameterSet.h"

MidiSourceParameterSet::MidiSourceParameterSet(GenericParameterOwner* owner, const std::string& name, int index)
    : PluginParameterSet(owner, name),
      input(this, memberName(" Input")),
      controllerNumber(this, memberName(" Controller Number")),
      shortLabel_("MS " + std::to_string(index + 1)) {}

void MidiSourceParameterSet::configure() {
    input.setRange(MidiSourceEnums::ModWheel, MidiSourceEnums::Controller, MidiSourceEnums::ModWheel);
    input.setItems("Mod Wheel,Pitch Bend,Velocity,Aftertouch,KB Track,Controller");
    input.setHelpText(
        "The MIDI Source Input selects the MIDI value that drives this modulation source: the mod wheel, pitch bend, "
        "the velocity of the last note, aftertouch, the key of the last note (KB Track), or any MIDI controller.");

    controllerNumber.setRange(0, 127, 0);
    controllerNumber.setHelpText(
        "The Controller Number selects the MIDI controller (0 to 127) that this source follows when its input is set "
        "to Controller.");
}
