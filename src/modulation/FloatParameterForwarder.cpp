#include "modulation/FloatParameterForwarder.h"

void FloatParameterForwarder::render(wave::Buffer&, int frames, int flags) {
    // Rendering the ramp directly also advances it on skipped blocks (the ramp skips its samples).
    if (source_.getBlockStamp() != getEnvironment().getBlockCounter()) source_.renderOwn(frames, flags);
    setOutput(source_.getOutput());
    setConstant(source_.isConstant());
}
