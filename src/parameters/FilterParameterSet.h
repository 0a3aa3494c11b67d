#pragma once
#include <string>

#include "parameters/FilterFrequencyRange.h"
#include "parameters/ModulationNumbering.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/ParameterEnums.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

class AbstractModulationOwner;

// The parameters of one filter. Filter k's Freq, Pan, Peak and Delay are the modulation targets
// 4k .. 4k + 3. Freq runs 0..1 over log2 Hz 2.2666..16.2064 (about 4.8 Hz to 75.6 kHz); Pan is the
// frequency offset between the channels in octaves (-3.5..3.5, shown as -1..1); Delay runs over
// 0..50 ms on the delay curve.
class FilterParameterSet : public PluginParameterSet {
public:
    static constexpr float kMinFrequency = FilterFrequencyRange::kMin;  // log2 Hz
    static constexpr float kMaxFrequency = FilterFrequencyRange::kMax;
    static constexpr float kMaxPan = 3.5f;  // octaves
    static constexpr float kMaxDelayMs = 50.0f;
    static constexpr int kNumCharacteristics = 11;
    static constexpr int kDefaultCharacteristic = 6;

    // `index` is the filter's position in its list (0..3).
    FilterParameterSet(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation,
                       int index);

    void configure() override;

    int getIndex() const { return index_; }

    ModulationTargetParameter freq;
    ModulationTargetParameter pan;
    ModulationTargetParameter peak;
    PropPluginParameter<int> characteristic;
    PropPluginParameter<FilterEnums::Response> response;
    PropPluginParameter<FilterEnums::Slope> slope;
    ModulationTargetParameter delay;
    PropPluginParameter<bool> enabled;
    PropPluginParameter<bool> linked;

private:
    int index_;
};
