#include "gui/FramePacing.h"

#include <algorithm>
#include <cmath>

namespace gui {

int FramePacing::targetFrameRate(int setting) {
    switch (setting & 15) {
        case 2: return 30;
        case 3: return 20;
        default: return 60;
    }
}

FramePacing::FramePacing(int setting, double refreshPeriodMs) : frameTime_(1000.0 / targetFrameRate(setting)) {
    if (refreshPeriodMs > 0 && std::isfinite(refreshPeriodMs)) {
        period_ = refreshPeriodMs;
        while (frameTime_ > (skip_ + 1.5) * period_ && skip_ < 1000) ++skip_;
    } else {
        period_ = frameTime_;
    }
}

int FramePacing::waitMs(double renderMs, double latenessMs) const {
    const double wait = period_ - renderMs - latenessMs;
    if (!(wait >= 5)) return 5;
    return int(std::min(wait, 100.0));
}

}  // namespace gui
