#pragma once
#include "filters/BiQuadFilter.h"
#include "filters/GenericFilter.h"

// The Clean filters of one filter slot, computed together: every member keeps its own BiQuadFilter
// (its unit, with its state and coefficients), and members with the same response and slope run
// two at a time through BiQuadFilter::processPair. A member without a partner runs alone. Either
// way each member gets exactly what its own unit would give it.
// Members must use a BiQuadFilter as their unit. Audio thread for processing and reset; joining and
// leaving between blocks.
class BiQuadGroup : public GenericFilter::ParallelFilterUnit {
public:
    void processMembers(int count) override;
    // A group is only driven through processMembers; a direct call filters nothing but copies.
    void process(const float* in, float* out, const float*, const float*, const float*, int count, bool) override;
    bool processesInPlace() const override { return true; }
    bool acceptsSlope(int value) const override { return BiQuadFilter::isSlope(value); }
    // Resets every member's biquad.
    void reset() override;

private:
    static BiQuadFilter* unitOf(GenericFilter* member);
};
