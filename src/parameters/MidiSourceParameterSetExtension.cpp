#include "parameters/MidiSourceParameterSetExtension.h"

MidiSourceParameterSetExtension::MidiSourceParameterSetExtension(GenericParameterOwner* owner, const std::string& name)
    : PluginParameterSet(owner, name), responseCurve(this, memberName(" Response Curve")) {}

void MidiSourceParameterSetExtension::configure() {
    responseCurve.setRange(MidiSourceEnums::Linear, MidiSourceEnums::Sine, MidiSourceEnums::Linear);
    responseCurve.setItems("Linear,Exp,Log,Sqr,Sqrt,Sine");
    responseCurve.setHelpText(
        "The Response Curve bends the MIDI value before it modulates. Linear passes it on unchanged; Exp and Sqr give "
        "finer control over small values, Log and Sqrt over large values, and Sine gives a smooth S-shape.");
}
