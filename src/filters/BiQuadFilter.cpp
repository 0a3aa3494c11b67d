#include "filters/BiQuadFilter.h"

#include <cmath>
#include <numbers>

#include "platform/Tolerance.h"

BiQuadFilter::BiQuadFilter(wave::Environment& environment) : environment_(environment) {}

void BiQuadFilter::reset() {
    for (Section& s : sections_) s.x1 = s.x2 = s.y1 = s.y2 = 0.0;
}

bool BiQuadFilter::stateIsFinite() const {
    for (const Section& s : sections_) {
        if (!std::isfinite(s.x1) || !std::isfinite(s.x2) || !std::isfinite(s.y1) || !std::isfinite(s.y2)) return false;
    }
    return true;
}

void BiQuadFilter::design(Section& s, int response, float frequency, float peak, float sampleRate, int sections) {
    constexpr double pi = std::numbers::pi;
    static const float sqrt2 = std::sqrt(2.0f);
    if (!(peak >= 0.0f)) peak = 0.0f;  // also NaN
    if (peak > 1.0f) peak = 1.0f;
    double fs = sampleRate;
    double fc = std::exp(0.6931471805599453 * static_cast<double>(frequency));
    if (!(fc >= 1.0)) fc = 1.0;  // also NaN
    if (fc > 0.49 * fs) fc = 0.49 * fs;

    if (response == GenericFilter::LowPass || response == GenericFilter::HighPass) {
        double K = std::tan(pi * fc / fs);
        double k = response == GenericFilter::LowPass ? 1.0 / K : K;
        double D = sqrt2 - (sqrt2 - 0.02f) * peak;
        if (sections > 1) D = sqrt2 * std::pow(D / sqrt2, 1.0 / sections);
        double v = 1.0 / (1.0 + D * k + k * k);
        s.b0 = v;
        s.b2 = v;
        if (response == GenericFilter::LowPass) {
            s.b1 = 2.0 * v;
            s.a1 = 2.0 * (1.0 - k * k) * v;
        } else {
            s.b1 = -2.0 * v;
            s.a1 = 2.0 * (k * k - 1.0) * v;
        }
        s.a2 = (1.0 - D * k + k * k) * v;
    } else {
        double w = std::min((1.0 - 0.5 * peak) * pi * fc / fs, 1.0);
        double R = 1.0 / std::tan(w);
        double t = 1.0 / (R + 1.0);
        s.b0 = t;
        s.b1 = 0.0;
        s.b2 = -t;
        s.a1 = -2.0 * std::cos(2.0 * pi * fc / fs) * t * R;
        s.a2 = (R - 1.0) * t;
    }
}

void BiQuadFilter::process(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                           int count, bool) {
    if (!stateIsFinite()) reset();
    const float fs = environment_.getSampleRate();
    const int kind = response;
    const int sections = sectionsForSlope(slope);
    for (int n = 0; n < sections; ++n) {
        Section& s = sections_[n];
        // A new response or sample rate invalidates the coefficients even when frequency and peak stay.
        if (s.lastResponse != kind || s.lastSampleRate != fs || s.lastSections != sections) {
            s.lastResponse = kind;
            s.lastSections = sections;
            s.lastSampleRate = fs;
            s.lastFrequency = -1.0f;
        }
        const float* x = n == 0 ? in : out;
        for (int i = 0; i < count; ++i) {
            if (i % kUpdateInterval == 0 || std::fabs(freq[i] - s.lastFrequency) > kFrequencyMove) {
                float p = factor ? peak[i] * factor[i] : peak[i];
                if (!wave::nearlyEqual(freq[i], s.lastFrequency) || !wave::nearlyEqual(p, s.lastPeak)) {
                    design(s, kind, freq[i], p, fs, sections);
                    s.lastFrequency = freq[i];
                    s.lastPeak = p;
                }
            }
            double xi = x[i];
            double y = s.b0 * xi + s.b1 * s.x1 + s.b2 * s.x2 - s.a1 * s.y1 - s.a2 * s.y2;
            s.x2 = s.x1;
            s.x1 = xi;
            s.y2 = s.y1;
            s.y1 = y;
            out[i] = static_cast<float>(y);
        }
    }
}
