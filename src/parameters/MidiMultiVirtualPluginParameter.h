#pragma once
#include <string>
#include <vector>

#include "parameters/MidiVirtualPluginParameter.h"

class AbstractPluginParameter;

// Moves several real parameters together from one controller, keeping their spread: each
// parameter follows the controller value plus its own offset from the group's mean. Offsets
// change only when a parameter was moved on its own; an offset cut off at 0 or 1 is remembered
// and comes back when the value moves away from the limit.
//
// Threads: everything on the audio thread (parameters join and leave from parameterChanged);
// storage for `capacity` parameters is reserved up front, so joining allocates only beyond it.
class MidiMultiVirtualPluginParameter : public MidiVirtualPluginParameter {
public:
    MidiMultiVirtualPluginParameter(std::vector<MidiVirtualPluginParameter*>& list, const std::string& name,
                                    int capacity = 8);

    // Returns false when the parameter is null or already driven.
    bool addParameter(AbstractPluginParameter* parameter);
    // Returns false when the parameter was not driven.
    bool removeParameter(AbstractPluginParameter* parameter);
    bool contains(const AbstractPluginParameter* parameter) const;
    int getNumParameters() const { return static_cast<int>(parameters.size()); }

    // Sets every driven parameter to n plus its wanted offset, limited to 0..1 (normalized).
    // A non-finite n is ignored.
    void setNormalized(float n) override;

private:
    float meanNormalized() const;

    std::vector<AbstractPluginParameter*> parameters;
    std::vector<float> lastOffsets;
    std::vector<float> wantedOffsets;
};
