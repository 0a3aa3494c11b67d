#include "parameters/EGParameterSet.h"

#include <cmath>

#include "parameters/DBParameterUnit.h"
#include "parameters/ParameterText.h"
#include "parameters/PiecewiseLinearCurve.h"
#include "parameters/SecondsCurve.h"
#include "parameters/SecParameterUnit.h"

namespace {

// ln(10) / 20: 10^(x / 20) = e^(x * kDecibelToExponent).
constexpr double kDecibelToExponent = 0.1151292546497023;

}  // namespace

EGParameterSet::EGParameterSet(GenericParameterOwner* owner, const std::string& name,
                               AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      threshold(this, memberName(" Threshold")),
      triggering(this, memberName(" Triggering")),
      attack(this, memberName(" Attack"), modulation, ModulationNumbering::target(index, EGTarget::Attack)),
      decay(this, memberName(" Decay"), modulation, ModulationNumbering::target(index, EGTarget::Decay)),
      sustain(this, memberName(" Sustain"), modulation, ModulationNumbering::target(index, EGTarget::Sustain)),
      release(this, memberName(" Release"), modulation, ModulationNumbering::target(index, EGTarget::Release)) {}

void EGParameterSet::configure() {
    threshold.setRange(0.0f, 1.0f, 0.3f);
    PiecewiseLinearCurve::install(threshold.getDisplay(), PiecewiseLinearCurve::delay(), PiecewiseLinearCurve::delayInverse());
    threshold.setHelpText(
        "The EG Threshold knob sets the input level that triggers the envelope. The envelope starts when the level of "
        "the selected input rises above the threshold, and is released when the level falls below it again.");

    triggering.setRange(EGEnums::NormalInput, EGEnums::Midi, EGEnums::NormalInput);
    triggering.setItems("Normal Input,Side Chain,MIDI");
    triggering.setHelpText(
        "The EG Triggering switch selects what starts the envelope: the level of the normal input, the level of the "
        "side chain input, or MIDI notes.");

    setSecondsOnCurve(attack, PiecewiseLinearCurve::time(), PiecewiseLinearCurve::timeInverse(), 0.0f, 3.0f);
    attack.setHelpText(
        "The EG Attack knob sets the time the envelope takes to rise to its peak after it has been triggered, up to 3 "
        "seconds.");

    setSecondsOnCurve(decay, PiecewiseLinearCurve::time(), PiecewiseLinearCurve::timeInverse(), 0.0f, 5.0f);
    decay.setHelpText(
        "The EG Decay knob sets the time the envelope takes to fall from its peak to the sustain level, up to 5 "
        "seconds.");

    sustain.setRange(0.0f, 1.0f, 1.0f);
    sustain.getDisplay().toDisplay = [](float x) { return linearToDecibels(x); };
    sustain.getDisplay().fromDisplay = [](float x) { return static_cast<float>(std::exp(x * kDecibelToExponent)); };
    sustain.setUnit(DBParameterUnit::instance());
    sustain.setHelpText(
        "The EG Sustain knob sets the level at which the envelope stays while it is triggered, that is while the "
        "input stays above the threshold or the MIDI note is held.");

    setSecondsOnCurve(release, PiecewiseLinearCurve::time(), PiecewiseLinearCurve::timeInverse(), 0.0f, 5.0f);
    release.setHelpText(
        "The EG Release knob sets the time the envelope takes to fall back to zero after it has been released, up to "
        "5 seconds.");
}
