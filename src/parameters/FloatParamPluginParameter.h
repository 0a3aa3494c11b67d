#pragma once
#include <string>
#include <vector>

#include "parameters/FloatPluginParameter.h"
#include "parameters/SmoothedValueTarget.h"

// A float parameter that drives smoothed values of the signal graph: applying v gives every
// bound source the new ramp target curve(v) * scale2 + offset2 (a non-finite result is dropped).
//
// Threads: bind/unbind during set-up; applyValue on the audio thread.
class FloatParamPluginParameter : public FloatPluginParameter {
public:
    FloatParamPluginParameter(GenericParameterOwner* owner, const std::string& name);

    // Binds a source once (not owned; it must outlive the binding).
    void bind(SmoothedValueTarget* source);
    void unbind(SmoothedValueTarget* source);
    const std::vector<SmoothedValueTarget*>& getSources() const { return sources; }

    void applyValue(float v) override;

protected:
    std::vector<SmoothedValueTarget*> sources;
};
