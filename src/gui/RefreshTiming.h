#pragma once

namespace gui {

// The display's timing as a compositor reports it. X11 offers none, so the render thread runs
// without it; the interface keeps the timed branch for systems (and tests) that have it.
class RefreshTiming {
public:
    virtual ~RefreshTiming() = default;
    // Refresh rate as a fraction (numerator / denominator Hz); false when unknown.
    virtual bool getRefreshRate(unsigned& numerator, unsigned& denominator) = 0;
    // Time of the last vertical blank in milliseconds on the same clock as nowMs.
    virtual double lastVerticalBlankMs() = 0;
    virtual double nowMs() = 0;
};

}  // namespace gui
