#pragma once
#include "parameters/ModulationNumbering.h"
#include <string>

#include "parameters/LimFloatPropPluginParameter.h"
#include "parameters/ModulationTargetParameter.h"
#include "parameters/ParameterEnums.h"
#include "parameters/ParameterSetList.h"
#include "parameters/PluginParameterSet.h"
#include "parameters/PropPluginParameter.h"

class AbstractModulationOwner;

// The parameters of one step LFO. XLFO k's Frequency, Frequency Offset and Glide are the
// modulation targets 16 + 4k .. 18 + 4k (its Phase Offset, 19 + 4k, lives in the extension set).
// Its step list ("Num Active" and 16 step sets) registers through this set, so the steps' members
// follow the six members below in this set's member list.
class XLFOParameterSet : public PluginParameterSet {
public:
    static constexpr int kNumSteps = 16;
    static constexpr float kMinFrequency = 0.02f;  // Hz
    static constexpr float kMaxFrequency = 500.0f;
    // The frequency curve's output for 1 Hz over the 0.02..500 Hz span.
    static constexpr float kOneHzCurveValue = 0.00196008f;

    // One step of the wave form: "XLFO 1 Step 1 Value" and so on.
    class StepParameterSet : public PluginParameterSet {
    public:
        StepParameterSet(GenericParameterOwner* owner, const std::string& name);
        void configure() override;

        LimFloatPropPluginParameter value;
        LimFloatPropPluginParameter glide;
        PropPluginParameter<XLFOEnums::GlideCurve> glideFunction;
        PropPluginParameter<bool> random;
    };

    // "<XLFO name> Steps": 16 steps, 1..16 active (default 2).
    class StepParameterSetList : public ParameterSetList<StepParameterSet> {
    public:
        StepParameterSetList(GenericParameterOwner* owner, const std::string& xlfoName);
    };

    // `index` is the XLFO's position in its list (0..5).
    XLFOParameterSet(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation,
                     int index);

    // Also configures the step sets.
    void configure() override;

    int getIndex() const { return index_; }

    ModulationTargetParameter frequency;
    ModulationTargetParameter frequencyOffset;
    LimFloatPropPluginParameter balance;
    ModulationTargetParameter glide;
    PropPluginParameter<XLFOEnums::SyncMode> syncMode;
    PropPluginParameter<bool> midiTrigger;
    StepParameterSetList steps;

private:
    int index_;
};
