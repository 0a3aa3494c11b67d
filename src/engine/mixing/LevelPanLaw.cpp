#include "engine/mixing/LevelPanLaw.h"

#include "engine/wave/Buffer.h"

using wave::Float4;

void LevelPanLaw::applyBlock(Mode mode, const float* level, const float* pan, float* channel0, float* channel1,
                             int frames) {
    const int n = wave::Buffer::groups(frames) * 4;
    Float4 c0, c1;
    // One loop per law keeps the mode test out of the sample loop.
    if (mode == kAdditive) {
        for (int i = 0; i < n; i += 4) {
            apply(kAdditive, Float4::load(level + i), Float4::load(pan + i), c0, c1);
            c0.store(channel0 + i);
            c1.store(channel1 + i);
        }
    } else {
        for (int i = 0; i < n; i += 4) {
            apply(kBalance, Float4::load(level + i), Float4::load(pan + i), c0, c1);
            c0.store(channel0 + i);
            c1.store(channel1 + i);
        }
    }
}
