#include "parameters/EFParameterSet.h"

#include "parameters/PiecewiseLinearCurve.h"
#include "parameters/SecParameterUnit.h"

namespace {

void setTimeCurve(ModulationTargetParameter& p, float lo, float hi) {
    p.setRange(0.0f, 1.0f, 0.0f);
    p.getDisplay().curve = PiecewiseLinearCurve::function(PiecewiseLinearCurve::time());
    p.getDisplay().curveInverse = PiecewiseLinearCurve::function(PiecewiseLinearCurve::timeInverse());
    p.setDisplayRange(lo, hi);
    p.setUnit(SecParameterUnit::instance());
}

}  // namespace

EFParameterSet::EFParameterSet(GenericParameterOwner* owner, const std::string& name,
                               AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      input(this, memberName(" Input")),
      attack(this, memberName(" Attack"), modulation, kFirstTarget + kTargetsPerEF * index + 0),
      release(this, memberName(" Release"), modulation, kFirstTarget + kTargetsPerEF * index + 1) {}

void EFParameterSet::configure() {
    input.setRange(0, 1, 0);
    input.setItems("Normal Input,Side Chain");
    input.setHelpText(
        "The EF Input switch selects the signal whose level the envelope follower tracks: the normal input or the "
        "side chain input.");

    setTimeCurve(attack, 0.001f, 1.0f);
    attack.setHelpText(
        "The EF Attack knob sets how quickly the envelope follower reacts when the level rises, from 1 millisecond to "
        "1 second.");

    setTimeCurve(release, 0.05f, 5.0f);
    release.setHelpText(
        "The EF Release knob sets how quickly the envelope follower falls back when the level drops, from 50 "
        "milliseconds to 5 seconds.");
}
