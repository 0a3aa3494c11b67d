#pragma once

namespace gui {

// Frame timing of the render thread, from the acceleration setting and, where the system reports
// it, the display's refresh period.
class FramePacing {
public:
    // Low four bits of the setting: 2 gives 30 frames per second, 3 gives 20, anything else 60.
    static int targetFrameRate(int setting);

    // refreshPeriodMs <= 0 means no timing information: the frame time is the period, no skips.
    FramePacing(int setting, double refreshPeriodMs);

    double getFrameTimeMs() const { return frameTime_; }
    double getPeriodMs() const { return period_; }
    // Refreshes skipped between frames: the smallest k >= 0 with frame time <= (k + 1.5) * period.
    int getSkip() const { return skip_; }
    // Whether iteration n (counted from 0) renders a frame: every (k + 1)-th does.
    bool rendersOn(long iteration) const { return iteration % (skip_ + 1) == 0; }
    // The wait before the next iteration: period - render time - lateness, truncated, within 5..100.
    int waitMs(double renderMs, double latenessMs) const;

private:
    double frameTime_;
    double period_;
    int skip_ = 0;
};

}  // namespace gui
