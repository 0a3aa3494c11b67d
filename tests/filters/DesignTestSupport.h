#pragma once
// Helpers for the tests of the characteristics, the design filters and the routing.
#include <cmath>
#include <numbers>
#include <vector>

#include "FilterTestSupport.h"
#include "engine/wave/Environment.h"
#include "filters/DesignFilter.h"
#include "filters/MultiDesignFilter.h"

namespace designtest {

inline const MultiDesignFilter::Style& styles() { return MultiDesignFilter::Style::shared(); }

// Filters a signal through a design filter's one-filter path with constant settings.
inline std::vector<float> runStyle(const DesignFilter::Style* style, int response, int slope, double hz, float peak,
                                   const std::vector<float>& in, float rate = 48000.0f, int block = 256) {
    wave::Environment env(block);
    env.setSampleRate(rate);
    DesignFilter filter(env, style);
    filter.response.set(response);
    filter.slope.set(slope);
    return filtertest::runUnit(filter, in, static_cast<float>(std::log2(hz)), peak, block);
}

// Amplitude of the component at `hz` in s[from..], by correlation (use whole periods).
inline double amplitudeAt(const std::vector<float>& s, double hz, double rate, size_t from) {
    double re = 0.0, im = 0.0;
    for (size_t i = from; i < s.size(); ++i) {
        double w = 2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        re += s[i] * std::cos(w);
        im += s[i] * std::sin(w);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(s.size() - from);
}

// Total harmonic distortion (harmonics 2..10 over the fundamental) of a filtered sine.
inline double thd(const std::vector<float>& s, double hz, double rate, size_t from) {
    double fundamental = amplitudeAt(s, hz, rate, from);
    double sum = 0.0;
    for (int h = 2; h <= 10 && h * hz < rate / 2; ++h) {
        double a = amplitudeAt(s, h * hz, rate, from);
        sum += a * a;
    }
    return fundamental > 0.0 ? std::sqrt(sum) / fundamental : 0.0;
}

// Frequency of an oscillation from its upward zero crossings (interpolated) in s[from..].
inline double zeroCrossingHz(const std::vector<float>& s, double rate, size_t from) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < s.size(); ++i) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            double t = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
            if (first < 0.0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? rate * (crossings - 1) / (last - first) : 0.0;
}

}  // namespace designtest
