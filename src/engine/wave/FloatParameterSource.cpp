#include "engine/wave/FloatParameterSource.h"

namespace wave {

void FloatParameterSource::render(Buffer&, int frames, int flags) {
    ramp_.catchUp();
    ramp_.setTimeStamp(getEnvironment().getCurrentTime() + frames);
    setOutput(&ramp_.buffer());
    if (flags & kSkip) {
        ramp_.skip(frames);
        setConstant(true);
        return;
    }
    setConstant(ramp_.fill(frames));
}

}  // namespace wave
