#pragma once

namespace wave {

// Floats compared against a previous or limit value use this tolerance (2^-23).
inline constexpr float kTolerance = 1.1920929e-7f;

inline bool nearlyEqual(float a, float b) {
    float d = a - b;
    return d <= kTolerance && d >= -kTolerance;
}

}  // namespace wave
