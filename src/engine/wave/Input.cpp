#include "engine/wave/Input.h"

#include <algorithm>
#include <cmath>

namespace wave {

void Input::render(Buffer& buffer, int frames, int flags) {
    // Chunks that ran without pulling this input: their samples are gone.
    const std::int64_t behind = getEnvironment().getCurrentTime() - readTime_;
    if (behind > 0) {
        const int passed = static_cast<int>(std::min<std::int64_t>(behind, std::max(remaining_, 0)));
        if (read_) read_ += passed;
        remaining_ -= passed;
        readTime_ += behind;
    }
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
    readTime_ += frames;
}

}  // namespace wave
