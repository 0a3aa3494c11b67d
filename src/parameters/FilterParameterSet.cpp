#include "parameters/FilterParameterSet.h"

#include "parameters/ExpFreqParameterUnit.h"
#include "parameters/MsParameterUnit.h"
#include "parameters/PiecewiseLinearCurve.h"

namespace {
// The pan knob shows the octave offset as -1..1.
constexpr float kPanToDisplay = 1.0f / FilterParameterSet::kMaxPan;
}  // namespace

FilterParameterSet::FilterParameterSet(GenericParameterOwner* owner, const std::string& name,
                                       AbstractModulationOwner* modulation, int index)
    : PluginParameterSet(owner, name),
      freq(this, memberName(" Freq"), modulation, ModulationNumbering::target(index, FilterTarget::Freq)),
      pan(this, memberName(" Pan"), modulation, ModulationNumbering::target(index, FilterTarget::Pan)),
      peak(this, memberName(" Peak"), modulation, ModulationNumbering::target(index, FilterTarget::Peak)),
      characteristic(this, memberName(" Characteristic")),
      response(this, memberName(" Response")),
      slope(this, memberName(" Slope")),
      delay(this, memberName(" Delay"), modulation, ModulationNumbering::target(index, FilterTarget::Delay)),
      enabled(this, memberName(" Enabled")),
      linked(this, memberName(" Linked")),
      index_(index) {}

void FilterParameterSet::configure() {
    freq.setRange(0.0f, 1.0f, 1.0f);
    freq.setDisplayRange(kMinFrequency, kMaxFrequency);
    freq.setUnit(ExpFreqParameterUnit::instance());
    freq.setHelpText("The Filter Frequency knob controls the cut-off frequency of the active filter.");

    pan.setRange(-kMaxPan, kMaxPan, 0.0f);
    pan.getDisplay().toDisplay = [](float x) { return x * kPanToDisplay; };
    pan.getDisplay().fromDisplay = [](float x) { return x * kMaxPan; };
    pan.setHelpText(
        "The Filter Pan ring adjusts the panning of the filter. In the Stereo routing mode it moves the cut-off "
        "frequency up for one channel and down for the other, which spreads the filtered sound across the stereo "
        "field.");

    peak.setRange(0.0f, 1.0f, 0.0f);
    peak.setHelpText(
        "The Filter Peak knob controls the peak (or resonance) of the filter. High settings emphasise the frequencies "
        "around the cut-off frequency, and near the maximum the filter starts to self-oscillate.");

    characteristic.setRange(0, kNumCharacteristics - 1, kDefaultCharacteristic);
    characteristic.setHelpText(
        "The Filter Characteristic button selects the characteristic of the filter: the way it colours and saturates "
        "the sound. Clean is a linear filter without any coloration.");

    response.setRange(FilterEnums::LowPass, FilterEnums::BandPass, FilterEnums::LowPass);
    response.setItems("LP,HP,BP");
    response.setHelpText(
        "The Filter Response switch controls whether the filter passes through frequencies below the cut-off "
        "frequency (Low Pass), above the cut-off frequency (High Pass), or around the cut-off frequency (Band Pass).");

    slope.setRange(FilterEnums::Slope12, FilterEnums::Slope48, FilterEnums::Slope12);
    slope.setItems("12,24,48");
    slope.setHelpText(
        "The Filter Slope switch sets the steepness of the filter in dB/octave. It controls how aggressively the "
        "frequencies around the center frequency are filtered.");

    delay.setRange(0.0f, 1.0f, 0.0f);
    PiecewiseLinearCurve::install(delay.getDisplay(), PiecewiseLinearCurve::delay(), PiecewiseLinearCurve::delayInverse());
    delay.setDisplayRange(0.0f, kMaxDelayMs);
    delay.setUnit(MsParameterUnit::instance());
    delay.setHelpText(
        "With the Filter Delay knob, you can delay the filtered signal between 0 and 50 milliseconds. Short delays "
        "between filters in parallel give comb-filter and doubling effects.");

    enabled.setRange(0, 1, 1);
    enabled.setItems("Disabled,Enabled");

    linked.setRange(0, 1, 0);
    linked.setItems("Unlinked,Linked");
    linked.setHelpText(
        "The Filter Link buttons link two or more filters together, so they can be adjusted simultaneously by holding "
        "down the Alt key while dragging a knob, or by dragging the link dot in the filter display.");
}
