#include "engine/wave/Input.h"

#include <cmath>

namespace wave {

void Input::render(Buffer& buffer, int frames, int flags) {
    int available = remaining_ < frames ? (remaining_ > 0 ? remaining_ : 0) : frames;
    if (!(flags & kSkip)) {
        float* out = buffer.data();
        int i = 0;
        for (; i < available; ++i) {
            float x = read_[i];
            out[i] = std::isfinite(x) ? x : 0.0f;
        }
        for (; i < frames; ++i) out[i] = 0.0f;
        setConstant(false);
    }
    if (read_) read_ += available;
    remaining_ -= available;
}

}  // namespace wave
