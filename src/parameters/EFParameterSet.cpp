#include "parameters/EFParameterSet.h"

#include "parameters/PiecewiseLinearCurve.h"
#include "parameters/SecondsCurve.h"

EFParameterSet::EFParameterSet(GenericParameterOwner* owner, const std::string& name,
                               AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      input(this, memberName(" Input")),
      attack(this, memberName(" Attack"), modulation, ModulationNumbering::target(index, EFTarget::Attack)),
      release(this, memberName(" Release"), modulation, ModulationNumbering::target(index, EFTarget::Release)) {}

void EFParameterSet::configure() {
    input.setRange(0, 1, 0);
    input.setItems("Normal Input,Side Chain");
    input.setHelpText(
        "The EF Input switch selects the signal whose level the envelope follower tracks: the normal input or the "
        "side chain input.");

    setSecondsOnCurve(attack, PiecewiseLinearCurve::time(), PiecewiseLinearCurve::timeInverse(), 0.001f, 1.0f);
    attack.setHelpText(
        "The EF Attack knob sets how quickly the envelope follower reacts when the level rises, from 1 millisecond to "
        "1 second.");

    setSecondsOnCurve(release, PiecewiseLinearCurve::time(), PiecewiseLinearCurve::timeInverse(), 0.05f, 5.0f);
    release.setHelpText(
        "The EF Release knob sets how quickly the envelope follower falls back when the level drops, from 50 "
        "milliseconds to 5 seconds.");
}
