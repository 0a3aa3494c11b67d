#pragma once
#include <algorithm>
#include <cmath>

#include "host/aax/sdk/AAX_ITaperDelegate.h"

// Whole-numbered states minimum..maximum spread evenly over 0..1; the nearest state wins.
class AAX_CStateTaper final : public AAX_ITaperDelegate {
public:
    AAX_CStateTaper(int minimum, int maximum) : minimum_(std::min(minimum, maximum)), maximum_(std::max(minimum, maximum)) {}
    double getMinimum() const override { return minimum_; }
    double getMaximum() const override { return maximum_; }
    double constrain(double value) const override {
        if (std::isnan(value)) return minimum_;
        return std::clamp(std::round(value), static_cast<double>(minimum_), static_cast<double>(maximum_));
    }
    double normalizedToReal(double normalized) const override {
        if (std::isnan(normalized)) return minimum_;
        return constrain(minimum_ + std::clamp(normalized, 0.0, 1.0) * (maximum_ - minimum_));
    }
    double realToNormalized(double value) const override {
        if (maximum_ == minimum_) return 0.0;
        return (constrain(value) - minimum_) / (maximum_ - minimum_);
    }

private:
    int minimum_;
    int maximum_;
};
