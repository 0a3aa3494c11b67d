#pragma once
// Test signals and measurements shared by the suites that run audio through a plug-in.
#include <cmath>
#include <cstddef>
#include <vector>

namespace signal_support {

// amplitude × sin(2π hz t + phase) at `rate`, `frames` samples long.
inline std::vector<float> sine(double hz, double rate, int frames, float amplitude = 0.25f, double phase = 0.0) {
    std::vector<float> s(static_cast<size_t>(frames > 0 ? frames : 0));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate + phase));
    }
    return s;
}

// Root mean square of x[from, end); 0 for an empty range.
inline double rms(const std::vector<float>& x, size_t from = 0) {
    if (from >= x.size()) return 0.0;
    double energy = 0.0;
    for (size_t i = from; i < x.size(); ++i) energy += static_cast<double>(x[i]) * x[i];
    return std::sqrt(energy / static_cast<double>(x.size() - from));
}

}  // namespace signal_support
