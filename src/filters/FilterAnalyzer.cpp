#include "filters/FilterAnalyzer.h"

#include <cmath>

#include "engine/wave/Float4.h"

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

void FilterAnalyzer::setCoefficient(float k) {
    // A change of k starts a new group at the current level, so that no group mixes two.
    groupStart_ = powers_[position_] * groupStart_ + partial_;
    partial_ = 0.0;
    position_ = 0;
    coefficient_ = k;
    k_ = k;
    a_ = 1.0 - k_;  // exact: k is a float at most 1
    for (int j = 1; j <= 4; ++j) powers_[j] = powers_[j - 1] * a_;
}

void FilterAnalyzer::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    if (flags & wave::kSkip) return;
    if (!std::isfinite(groupStart_) || !std::isfinite(partial_)) reset();
    float ms = timeConstant.get();
    float rate = getEnvironment().getSampleRate();
    float k = ms > 0.0f ? 1000.0f / (rate * ms) : 1.0f;  // d += k·(x - d)
    if (!(k <= 1.0f && k >= 0.0f)) k = 1.0f;              // also NaN
    if (k != coefficient_) setCoefficient(k);
    const float t = threshold.get();
    const float inverse = inverseThreshold_;
    const double a = a_, kd = k_;
    const double a1 = powers_[1], a2 = powers_[2], a3 = powers_[3], a4 = powers_[4];
    double g = groupStart_, s = partial_;
    int j = position_;
    bool open = true;  // every factor of the block is 1
    auto factor = [&](int i, double level) {
        const float d = static_cast<float>(level);
        const bool above = !(d < t);
        open = open && above;
        out[i] = above ? 1.0f : d * inverse;
    };
    // One sample of the group form; the whole groups below compute exactly the same terms.
    auto single = [&](int i) {
        s = a * s + kd * std::fabs(in[i]);
        ++j;
        const double level = powers_[j] * g + s;
        factor(i, level);
        if (j == 4) {
            g = level;
            s = 0.0;
            j = 0;
        }
    };
    int i = 0;
    while (i < frames && j != 0) single(i++);
    // Whole groups: the level chain stays scalar, the four factors of a group are one vector step.
    const wave::Double4 groupPowers(a1, a2, a3, a4);
    const wave::Float4 threshold4(t), inverse4(inverse), one4(1.0f);
    wave::Float4 fell(0.0f);  // 1 in a lane where a factor fell below 1
    for (; i + 4 <= frames; i += 4) {
        // s starts at 0, and a·0 + k·x is exactly k·x.
        const double s1 = kd * std::fabs(in[i]);
        const double s2 = a * s1 + kd * std::fabs(in[i + 1]);
        const double s3 = a * s2 + kd * std::fabs(in[i + 2]);
        const double s4 = a * s3 + kd * std::fabs(in[i + 3]);
        const wave::Float4 d = (groupPowers * wave::Double4(g) + wave::Double4(s1, s2, s3, s4)).toFloat4();
        g = a4 * g + s4;  // lane 3 of the levels, for the next group
        const wave::Float4 below = lessThan(d, threshold4);
        select(below, d * inverse4, one4).storeUnaligned(out.data() + i);
        fell = select(below, one4, fell);
    }
    for (int lane = 0; lane < 4; ++lane) open = open && fell.lane(lane) == 0.0f;
    while (i < frames) single(i++);
    groupStart_ = g;
    partial_ = s;
    position_ = j;
    level_ = static_cast<float>(powers_[j] * g + s);
    // A block that never mutes is constant, so the filters keep one coefficient set for it.
    setConstant(open);
}
