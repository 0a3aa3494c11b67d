#include "parameters/PiecewiseLinearCurve.h"

#include <algorithm>
#include <cmath>
#include <utility>

PiecewiseLinearCurve::PiecewiseLinearCurve(std::vector<float> xs, std::vector<float> ys, Symmetry symmetry)
    : xs_(std::move(xs)), ys_(std::move(ys)), symmetry_(symmetry) {
    const size_t n = std::min(xs_.size(), ys_.size());
    xs_.resize(n);
    ys_.resize(n);
}

float PiecewiseLinearCurve::operator()(float x) const {
    if (xs_.empty()) return x;
    if (std::isnan(x)) return ys_.front();
    const bool negative = symmetry_ == kOdd && x < 0.0f;
    const float a = negative ? -x : x;
    float y;
    if (a <= xs_.front()) {
        y = ys_.front();
    } else if (a >= xs_.back()) {
        y = ys_.back();
    } else {
        size_t i = 1;
        while (xs_[i] < a) ++i;  // xs_[i - 1] < a <= xs_[i]
        const float x0 = xs_[i - 1], x1 = xs_[i];
        const float y0 = ys_[i - 1], y1 = ys_[i];
        y = x1 > x0 ? y0 + (a - x0) * (y1 - y0) / (x1 - x0) : y1;
    }
    return negative ? -y : y;
}

namespace {

constexpr float kDelayX[] = {0.0f, 0.1f, 0.25f, 0.5f, 0.7f, 0.9f, 1.0f};
constexpr float kDelayY[] = {0.0f, 0.002f, 0.05f, 0.16f, 0.36f, 0.91f, 1.0f};
constexpr float kTimeX[] = {0.0f, 0.15f, 0.2f, 0.33f, 0.4f, 0.5f, 0.6f, 0.68f, 0.75f, 0.85f, 0.9f, 0.95f, 0.98f, 1.0f};
constexpr float kTimeY[] = {0.0f, 0.02f, 0.03f, 0.05f, 0.07f, 0.1f, 0.13f, 0.17f, 0.22f, 0.35f, 0.46f, 0.66f, 0.82f, 1.0f};
constexpr float kLfoX[] = {0.0f, 0.2f, 0.5f, 0.7f, 0.8f, 0.9f, 0.95f, 0.98f};
constexpr float kLfoY[] = {0.0f, 0.001f, 0.007f, 0.03f, 0.1f, 0.3f, 0.5f, 1.0f};

template <size_t N>
std::vector<float> table(const float (&values)[N]) {
    return std::vector<float>(values, values + N);
}

}  // namespace

const PiecewiseLinearCurve& PiecewiseLinearCurve::delay() {
    static const PiecewiseLinearCurve curve(table(kDelayX), table(kDelayY), kOdd);
    return curve;
}

const PiecewiseLinearCurve& PiecewiseLinearCurve::delayInverse() {
    static const PiecewiseLinearCurve curve = delay().inverse();
    return curve;
}

const PiecewiseLinearCurve& PiecewiseLinearCurve::time() {
    static const PiecewiseLinearCurve curve(table(kTimeX), table(kTimeY), kClamped);
    return curve;
}

const PiecewiseLinearCurve& PiecewiseLinearCurve::timeInverse() {
    static const PiecewiseLinearCurve curve = time().inverse();
    return curve;
}

const PiecewiseLinearCurve& PiecewiseLinearCurve::lfoFrequency() {
    static const PiecewiseLinearCurve curve(table(kLfoX), table(kLfoY), kClamped);
    return curve;
}

const PiecewiseLinearCurve& PiecewiseLinearCurve::lfoFrequencyInverse() {
    static const PiecewiseLinearCurve curve = lfoFrequency().inverse();
    return curve;
}
