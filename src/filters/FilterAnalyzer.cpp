#include "filters/FilterAnalyzer.h"

#include <cmath>

FilterAnalyzer::FilterAnalyzer(wave::Environment& environment) : wave::Filter(environment) {
    propertyChanged(&threshold);
    registerReset();
}

void FilterAnalyzer::propertyChanged(PropertyBase* property) {
    if (property != &threshold) return;
    float t = threshold.get();
    // A threshold of 0 or less means "never mute": every level is at or above it.
    inverseThreshold_ = t > 0.0f && std::isfinite(t) ? 1.0f / t : 0.0f;
}

void FilterAnalyzer::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    if (flags & wave::kSkip) return;
    if (!std::isfinite(level_)) level_ = 0.0f;
    float ms = timeConstant.get();
    float rate = getEnvironment().getSampleRate();
    float k = ms > 0.0f ? 1000.0f / (rate * ms) : 1.0f;  // d += k·(x - d)
    if (!(k <= 1.0f)) k = 1.0f;                           // also NaN
    float t = threshold.get();
    float d = level_;
    bool open = true;  // every factor of the block is 1
    for (int i = 0; i < frames; ++i) {
        d = d + k * (std::fabs(in[i]) - d);
        const bool above = !(d < t);
        open = open && above;
        out[i] = above ? 1.0f : d * inverseThreshold_;
    }
    level_ = d;
    // A block that never mutes is constant, so the filters keep one coefficient set for it.
    setConstant(open);
}
