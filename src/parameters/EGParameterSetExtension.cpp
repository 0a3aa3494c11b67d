#include "parameters/EGParameterSetExtension.h"

#include "parameters/EGParameterSet.h"
#include "parameters/PiecewiseLinearCurve.h"
#include "parameters/SecondsCurve.h"

EGParameterSetExtension::EGParameterSetExtension(GenericParameterOwner* owner, const std::string& name,
                                                 AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      hold(this, memberName(" Hold"), modulation, ModulationNumbering::target(index, EGTarget::Hold)),
      delay(this, memberName(" Delay"), modulation, ModulationNumbering::target(index, EGTarget::Delay)) {}

void EGParameterSetExtension::configure() {
    setSecondsOnCurve(hold, PiecewiseLinearCurve::delay(), PiecewiseLinearCurve::delayInverse(), 0.0f, 19.0f);
    hold.setHelpText(
        "The EG Hold knob keeps the envelope going for up to 19 seconds after it has been released, before the "
        "release stage begins. Short input peaks then still produce a full envelope.");

    setSecondsOnCurve(delay, PiecewiseLinearCurve::delay(), PiecewiseLinearCurve::delayInverse(), 0.0f, 5.0f);
    delay.setHelpText(
        "The EG Delay knob sets a waiting time of up to 5 seconds between the trigger and the start of the attack.");
}
