#include "parameters/XLFOParameterSet.h"

#include <cmath>
#include <memory>

#include "parameters/HzParameterUnit.h"
#include "parameters/PiecewiseLinearCurve.h"

XLFOParameterSet::StepParameterSet::StepParameterSet(GenericParameterOwner* owner, const std::string& name)
    : PluginParameterSet(owner, name),
      value(this, memberName(" Value")),
      glide(this, memberName(" Glide")),
      glideFunction(this, memberName(" Glide function")),
      random(this, memberName(" Random")) {}

void XLFOParameterSet::StepParameterSet::configure() {
    value.setRange(-1.0f, 1.0f, 0.0f);
    value.setHelpText(
        "The Step Value sets the output of the XLFO during this step, from -1 to 1. Drag the step up or down in the "
        "step editor to change it.");

    glide.setRange(0.0f, 1.0f, 0.0f);
    glide.setHelpText(
        "The Step Glide sets how smoothly the XLFO slides into this step from the previous one. At 0 the output "
        "jumps to the new value; at 1 the slide takes the whole length of the step.");

    glideFunction.setRange(XLFOEnums::Linear, XLFOEnums::Sine, XLFOEnums::Linear);
    glideFunction.setItems("Linear,Sqr,Sqrt,Sine");
    glideFunction.setHelpText(
        "The Step Glide Function selects the shape of the slide into this step: a straight line (Linear), a slide "
        "that starts slowly (Sqr), a slide that starts quickly (Sqrt), or a smooth S-shape (Sine).");

    random.setRange(0, 1, 0);
    random.setItems("Fixed,Random");
    random.setHelpText(
        "A Random step takes a new random value every time the XLFO reaches it; a Fixed step always plays its own "
        "value.");
}

XLFOParameterSet::StepParameterSetList::StepParameterSetList(GenericParameterOwner* owner, const std::string& xlfoName)
    : ParameterSetList<StepParameterSet>(owner, xlfoName + " Steps", 1, kNumSteps, 2) {
    for (int s = 0; s < kNumSteps; ++s) {
        add(std::make_unique<StepParameterSet>(owner, xlfoName + " Step " + std::to_string(s + 1)));
    }
}

XLFOParameterSet::XLFOParameterSet(GenericParameterOwner* owner, const std::string& name,
                                   AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      frequency(this, memberName(" Frequency"), modulation, ModulationNumbering::target(index, XLFOTarget::Frequency)),
      frequencyOffset(this, memberName(" Frequency Offset"), modulation, ModulationNumbering::target(index, XLFOTarget::FrequencyOffset)),
      balance(this, memberName(" Balance")),
      glide(this, memberName(" Glide"), modulation, ModulationNumbering::target(index, XLFOTarget::Glide)),
      syncMode(this, memberName(" Sync Mode")),
      midiTrigger(this, memberName(" MIDI Trigger")),
      steps(this, name),
      index_(index) {}

void XLFOParameterSet::configure() {
    frequency.setRange(0.0f, 1.0f, PiecewiseLinearCurve::lfoFrequencyInverse()(kOneHzCurveValue));
    PiecewiseLinearCurve::install(frequency.getDisplay(), PiecewiseLinearCurve::lfoFrequency(), PiecewiseLinearCurve::lfoFrequencyInverse());
    frequency.setDisplayRange(kMinFrequency, kMaxFrequency);
    frequency.setUnit(HzParameterUnit::instance());
    frequency.setHelpText(
        "The XLFO Frequency knob sets how many cycles per second the XLFO runs, from 0.02 Hz to 500 Hz. When the "
        "XLFO is synchronised to the host tempo, the Sync setting sets the cycle length instead.");

    frequencyOffset.setRange(-1.0f, 1.0f, 0.0f);
    frequencyOffset.getDisplay().toDisplay = [](float x) { return std::exp2(x); };
    frequencyOffset.getDisplay().fromDisplay = [](float x) { return std::log2(x); };
    frequencyOffset.setHelpText(
        "The XLFO Frequency Offset knob multiplies the speed of the XLFO by a factor between 0.5 and 2, in free "
        "running and in tempo-synchronised mode alike. Modulate it to speed the XLFO up and slow it down.");

    balance.setRange(0.0f, 1.0f, 0.5f);
    balance.setHelpText(
        "The XLFO Balance knob moves the middle of the cycle: the first half of the steps plays faster and the second "
        "half slower, or the other way round, while the length of the whole cycle stays the same.");

    glide.setRange(-1.0f, 1.0f, 0.0f);
    glide.setHelpText(
        "The XLFO Glide knob adds to or takes away from the glide of every step at once, making the whole wave form "
        "smoother or more abrupt.");

    syncMode.setRange(XLFOEnums::Free, XLFOEnums::SixtyFourth, XLFOEnums::Free);
    syncMode.setItems("Free,16,8,4,2,1,1/2,1/4,1/8,1/16,1/32,1/64");
    syncMode.setHelpText(
        "The XLFO Sync switch locks the XLFO to the tempo and song position of the host. Choose a cycle length from "
        "16 bars down to a 1/64 note, or Free to set the speed with the Frequency knob.");

    midiTrigger.setRange(0, 1, 0);
    midiTrigger.setItems("Off,On");
    midiTrigger.setHelpText(
        "When MIDI Trigger is on, every MIDI note restarts the XLFO at the beginning of its cycle.");

    steps.getNumActive().setHelpText("The number of steps in one cycle of the XLFO, from 1 to 16.");
    steps.configureAll();
}
