#include "filters/BiQuadFilter.h"

#include <cmath>
#include <numbers>

#include "filters/CoefficientSegments.h"
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

namespace {

// The sections of a run of samples with fixed coefficients, sample by sample: every section keeps
// its own recurrence chain, so the processor overlaps the sections. Each section rounds its output
// to float before the next takes it, as a section-by-section pass over the block does.
template <int kSections>
void runSections(BiQuadFilter::Section* sections, const float* in, float* out, int begin, int end) {
    double b0[kSections], b1[kSections], b2[kSections], a1[kSections], a2[kSections];
    double x1[kSections], x2[kSections], y1[kSections], y2[kSections];
    for (int n = 0; n < kSections; ++n) {
        const BiQuadFilter::Section& s = sections[n];
        b0[n] = s.b0, b1[n] = s.b1, b2[n] = s.b2, a1[n] = s.a1, a2[n] = s.a2;
        x1[n] = s.x1, x2[n] = s.x2, y1[n] = s.y1, y2[n] = s.y2;
    }
    for (int i = begin; i < end; ++i) {
        float v = in[i];
        for (int n = 0; n < kSections; ++n) {
            const double xi = v;
            const double y = b0[n] * xi + b1[n] * x1[n] + b2[n] * x2[n] - a1[n] * y1[n] - a2[n] * y2[n];
            x2[n] = x1[n];
            x1[n] = xi;
            y2[n] = y1[n];
            y1[n] = y;
            v = static_cast<float>(y);
        }
        out[i] = v;
    }
    for (int n = 0; n < kSections; ++n) {
        BiQuadFilter::Section& s = sections[n];
        s.x1 = x1[n], s.x2 = x2[n], s.y1 = y1[n], s.y2 = y2[n];
    }
}

}  // namespace

void BiQuadFilter::process(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                           int count, bool) {
    if (!stateIsFinite()) reset();
    const float fs = environment_.getSampleRate();
    const int kind = response;
    const int sections = sectionsForSlope(slope);
    // Coefficient segments follow the graph's clock; after a gap (a chunk this filter did not
    // run in) they are checked afresh at the first sample.
    const std::int64_t time = environment_.getCurrentTime();
    const bool continues = time == nextTime_;
    nextTime_ = time + count;
    for (int n = 0; n < sections; ++n) {
        Section& s = sections_[n];
        // A new response or sample rate invalidates the coefficients even when frequency and peak stay.
        if (s.lastResponse != kind || s.lastSampleRate != fs || s.lastSections != sections) {
            s.lastResponse = kind;
            s.lastSections = sections;
            s.lastSampleRate = fs;
            s.lastFrequency = -1.0f;
        }
    }
    auto startsAt = [&](int i, const Section& s) {
        return (i == 0 && !continues) || CoefficientSegments::startsAt(time + i, freq[i], s.lastFrequency);
    };
    for (int i = 0; i < count;) {
        // Each section samples its coefficients where its own segment starts.
        for (int n = 0; n < sections; ++n) {
            Section& s = sections_[n];
            if (!startsAt(i, s)) continue;
            const float p = factor ? peak[i] * factor[i] : peak[i];
            if (!wave::nearlyEqual(freq[i], s.lastFrequency) || !wave::nearlyEqual(p, s.lastPeak)) {
                design(s, kind, freq[i], p, fs, sections);
                s.lastFrequency = freq[i];
                s.lastPeak = p;
            }
        }
        int end = i + 1;
        for (bool starts = false; end < count; ++end) {
            for (int n = 0; n < sections && !starts; ++n) starts = startsAt(end, sections_[n]);
            if (starts) break;
        }
        if (sections == 1) {
            runSections<1>(sections_, in, out, i, end);
        } else if (sections == 2) {
            runSections<2>(sections_, in, out, i, end);
        } else {
            runSections<4>(sections_, in, out, i, end);
        }
        i = end;
    }
}
