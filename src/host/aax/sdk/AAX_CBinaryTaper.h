#pragma once
#include <cmath>

#include "host/aax/sdk/AAX_ITaperDelegate.h"

// Two states, 0 and 1; normalized values from one half up are 1.
class AAX_CBinaryTaper final : public AAX_ITaperDelegate {
public:
    double getMinimum() const override { return 0.0; }
    double getMaximum() const override { return 1.0; }
    double constrain(double value) const override { return value >= 0.5 ? 1.0 : 0.0; }
    double normalizedToReal(double normalized) const override { return constrain(normalized); }
    double realToNormalized(double value) const override { return constrain(value); }
};
