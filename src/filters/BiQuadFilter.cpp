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

// One section's direct-form step on double state, for one response. The numerator is the
// response's fixed tap pattern on the float inputs (1, 2, 1 / 1, -2, 1 / 1, 0, -1), which double
// sums without rounding, times b0: one multiplication instead of three. The y2 term goes first so
// that the y1 feedback waits on one multiplication and one subtraction only.
struct SectionState {
    double b0, a1, a2;
    double x1, x2, y1, y2;

    void load(const BiQuadFilter::Section& s) {
        b0 = s.b0, a1 = s.a1, a2 = s.a2;
        x1 = s.x1, x2 = s.x2, y1 = s.y1, y2 = s.y2;
    }
    void save(BiQuadFilter::Section& s) const { s.x1 = x1, s.x2 = x2, s.y1 = y1, s.y2 = y2; }
    // Each section rounds its output to float before the next takes it, as a section-by-section
    // pass over the block does.
    template <int kResponse>
    float step(float v) {
        const double xi = v;
        double taps;
        if constexpr (kResponse == GenericFilter::LowPass) {
            taps = (xi + x2) + (x1 + x1);
        } else if constexpr (kResponse == GenericFilter::HighPass) {
            taps = (xi + x2) - (x1 + x1);
        } else {
            taps = xi - x2;
        }
        const double y = (b0 * taps - a2 * y2) - a1 * y1;
        x2 = x1;
        x1 = xi;
        y2 = y1;
        y1 = y;
        return static_cast<float>(y);
    }
};

// The sections of a run of samples with fixed coefficients, as a skewed pipeline: in iteration
// `it` section n filters sample it - n, which section n - 1 finished one iteration earlier. The
// sections' recurrence chains are then independent within an iteration and overlap in the
// processor, instead of waiting on each other sample by sample. The pipeline fills and drains
// inside the run, so the result is the plain cascade's, bit for bit.
template <int kSections, int kResponse>
void runSections(BiQuadFilter::Section* sections, const float* in, float* out, int begin, int end) {
    SectionState st[kSections];
    for (int n = 0; n < kSections; ++n) st[n].load(sections[n]);
    // carry[n]: section n's latest output, waiting for section n + 1.
    float carry[kSections] = {};
    // Iterations where only some sections have a sample: the pipeline's fill and drain.
    auto partial = [&](int it) {
        for (int n = kSections - 1; n >= 0; --n) {
            const int t = it - n;
            if (t < begin || t >= end) continue;
            const float y = st[n].template step<kResponse>(n == 0 ? in[t] : carry[n - 1]);
            if (n == kSections - 1) {
                out[t] = y;
            } else {
                carry[n] = y;
            }
        }
    };
    const int steadyBegin = begin + kSections - 1;
    const int last = end + kSections - 1;
    int it = begin;
    for (; it < steadyBegin && it < last; ++it) partial(it);
    // Every section has a sample. The last section goes first, so each reads its input before
    // the section in front replaces it. in and out may be one array: out lags behind in.
    for (; it < end; ++it) {
        out[it - (kSections - 1)] = st[kSections - 1].template step<kResponse>(kSections == 1 ? in[it] : carry[kSections - 2]);
        for (int n = kSections - 2; n >= 1; --n) carry[n] = st[n].template step<kResponse>(carry[n - 1]);
        if constexpr (kSections > 1) carry[0] = st[0].template step<kResponse>(in[it]);
    }
    for (; it < last; ++it) partial(it);
    for (int n = 0; n < kSections; ++n) st[n].save(sections[n]);
}

template <int kResponse>
void runSectionsOf(int count, BiQuadFilter::Section* sections, const float* in, float* out, int begin, int end) {
    if (count == 1) {
        runSections<1, kResponse>(sections, in, out, begin, end);
    } else if (count == 2) {
        runSections<2, kResponse>(sections, in, out, begin, end);
    } else {
        runSections<4, kResponse>(sections, in, out, begin, end);
    }
}

void runSectionsFor(int response, int count, BiQuadFilter::Section* sections, const float* in, float* out, int begin,
                    int end) {
    if (response == GenericFilter::LowPass) {
        runSectionsOf<GenericFilter::LowPass>(count, sections, in, out, begin, end);
    } else if (response == GenericFilter::HighPass) {
        runSectionsOf<GenericFilter::HighPass>(count, sections, in, out, begin, end);
    } else {
        runSectionsOf<GenericFilter::BandPass>(count, sections, in, out, begin, end);
    }
}

}  // namespace

void BiQuadFilter::process(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                           int count, bool constant) {
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
    bool factorSteady = true;
    if (constant && factor) {
        for (int i = 1; i < count && factorSteady; ++i) factorSteady = factor[i] == factor[0];
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
        // Once every section holds the block's constant values, later segment starts in the block
        // only find nothing to change: the rest of the block is one run.
        int end = i + 1;
        if (constant && factorSteady) {
            bool settled = true;
            const float p = factor ? peak[i] * factor[i] : peak[i];
            for (int n = 0; n < sections && settled; ++n) {
                settled = wave::nearlyEqual(freq[i], sections_[n].lastFrequency) &&
                          wave::nearlyEqual(p, sections_[n].lastPeak);
            }
            if (settled) end = count;
        }
        for (bool starts = false; end < count; ++end) {
            for (int n = 0; n < sections && !starts; ++n) starts = startsAt(end, sections_[n]);
            if (starts) break;
        }
        runSectionsFor(kind, sections, sections_, in, out, i, end);
        i = end;
    }
}
