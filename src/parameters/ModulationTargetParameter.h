#pragma once
#include <string>

#include "parameters/FloatPluginParameter.h"

class AbstractModulationOwner;

// A float parameter that is a modulation target: it carries its target index and registers
// itself in the modulation owner's target table at construction. Its plain value (the value after
// the curve and the inner linear stage, in the target's own unit: log2 Hz, ms, seconds, a level)
// is what the modulation matrix adds its slots to.
//
// Threads: construction and set-up on the constructing thread; setValue/setPlainValue from the
// host, editor or preset threads; applyValue on the audio thread. The modulation owner must
// outlive the parameter.
class ModulationTargetParameter : public FloatPluginParameter {
public:
    ModulationTargetParameter(GenericParameterOwner* owner, const std::string& name, AbstractModulationOwner* modulation,
                              int target);
    ~ModulationTargetParameter() override;

    int getTarget() const { return target_; }
    // False when the owner refused the index (outside the table or already taken) or there is none.
    bool isRegistered() const { return registered_; }
    AbstractModulationOwner* getModulationOwner() const { return modulation_; }

    // The plain value of a parameter value v, and the current plain value.
    float plainValue(float v) const { return appliedValue(v); }
    float getPlainValue() { return appliedValue(getValue()); }
    // Sets the parameter to the value whose plain value is `plain` (through the inverse curve).
    // Non-finite input changes nothing.
    void setPlainValue(float plain, int flags);

    // Hands the plain value to the modulation owner; a non-finite result is dropped.
    void applyValue(float v) override;

private:
    AbstractModulationOwner* modulation_;
    int target_;
    bool registered_ = false;
};
