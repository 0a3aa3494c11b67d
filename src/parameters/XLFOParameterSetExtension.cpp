#include "parameters/XLFOParameterSetExtension.h"

#include "parameters/XLFOParameterSet.h"

XLFOParameterSetExtension::XLFOParameterSetExtension(GenericParameterOwner* owner, const std::string& name,
                                                     AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      phaseOffset(this, memberName(" Phase Offset"), modulation,
                  ModulationNumbering::target(index, XLFOTarget::PhaseOffset)),
      snap(this, memberName(" Snap")) {}

void XLFOParameterSetExtension::configure() {
    phaseOffset.setRange(0.0f, 1.0f, 0.0f);
    phaseOffset.setHelpText(
        "The XLFO Phase Offset knob shifts the XLFO within its cycle, from no shift to a whole cycle. Use it to move "
        "the wave form against the beat, or modulate it to bend the timing of the steps.");

    snap.setRange(0, 1, 0);
    snap.setItems("No Snap,Snap");
    snap.setHelpText(
        "When Snap is on, a filter frequency modulated by this XLFO moves by at most one octave up or down at full "
        "slot level instead of across the whole range, which makes it easy to set the steps to musical intervals.");
}
