#include "filters/BiQuadFilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "filters/CoefficientSegments.h"
#include "engine/wave/Float4.h"
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

using wave::Double4;

// The numerator's fixed tap pattern on the float inputs (1, 2, 1 / 1, -2, 1 / 1, 0, -1), which double
// sums without rounding; b0 multiplies it once. One code for a scalar section and for four lanes.
template <int kResponse, class T>
T numeratorTaps(T xi, T x1, T x2) {
    if constexpr (kResponse == GenericFilter::LowPass) {
        return (xi + x2) + (x1 + x1);
    } else if constexpr (kResponse == GenericFilter::HighPass) {
        return (xi + x2) - (x1 + x1);
    } else {
        return xi - x2;
    }
}

// The direct-form output. The y2 term goes first so that the y1 feedback waits on one
// multiplication and one subtraction only.
template <class T>
T sectionOutput(T b0, T a1, T a2, T taps, T y1, T y2) {
    return (b0 * taps - a2 * y2) - a1 * y1;
}

// One section's direct-form step on double state.
struct SectionState {
    double b0 = 0.0, a1 = 0.0, a2 = 0.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    void load(const BiQuadFilter::Section& s) {
        b0 = s.b0, a1 = s.a1, a2 = s.a2;
        x1 = s.x1, x2 = s.x2, y1 = s.y1, y2 = s.y2;
    }
    void save(BiQuadFilter::Section& s) const { s.x1 = x1, s.x2 = x2, s.y1 = y1, s.y2 = y2; }
    // Each section rounds its output to float before the next takes it, as a section-by-section
    // pass over the block does: the next section's input is float(y1).
    float output() const { return static_cast<float>(y1); }
    template <int kResponse>
    float step(float v) {
        const double xi = v;
        const double y = sectionOutput(b0, a1, a2, numeratorTaps<kResponse>(xi, x1, x2), y1, y2);
        x2 = x1;
        x1 = xi;
        y2 = y1;
        y1 = y;
        return static_cast<float>(y);
    }
};

// The sections of a run of samples with fixed coefficients run as a skewed pipeline: in iteration
// `it` section n filters sample it - n, which section n - 1 finished one iteration earlier and left
// in its y1. The sections' recurrence chains are then independent within an iteration and overlap
// in the processor, instead of waiting on each other sample by sample. The pipeline fills and
// drains inside the run, so the result is the plain cascade's, bit for bit. The last section goes
// first in an iteration, so each reads its input before the section in front replaces it; in and
// out may be one array, as out lags behind in.

// An iteration in which some sections have no sample: the pipeline's fill or drain.
template <int kSections, int kResponse>
void partialStep(SectionState* st, const float* in, float* out, int it, int begin, int end) {
    for (int n = kSections - 1; n >= 0; --n) {
        const int t = it - n;
        if (t < begin || t >= end) continue;
        const float y = st[n].template step<kResponse>(n == 0 ? in[t] : st[n - 1].output());
        if (n == kSections - 1) out[t] = y;
    }
}

// Iterations [begin, end) in which every section has a sample.
template <int kSections, int kResponse>
void steadySteps(SectionState* st, const float* in, float* out, int begin, int end) {
    for (int it = begin; it < end; ++it) {
        out[it - (kSections - 1)] = st[kSections - 1].template step<kResponse>(kSections == 1 ? in[it] : st[kSections - 2].output());
        for (int n = kSections - 2; n >= 1; --n) st[n].template step<kResponse>(st[n - 1].output());
        if constexpr (kSections > 1) st[0].template step<kResponse>(in[it]);
    }
}

// The steady iterations of two filters at once. Register pair p holds section 2p of a and b in
// lanes 0 and 1 and section 2p + 1 in lanes 2 and 3, so every section's input is a lane move of
// the previous iteration's outputs. Same operations in the same order as steadySteps: the same bits.
template <int kSections, int kResponse>
void pairedSteadySteps(SectionState* a, SectionState* b, const float* inA, float* outA, const float* inB, float* outB,
                       int begin, int end) {
    constexpr int kPairs = (kSections + 1) / 2;
    auto gather = [&](double SectionState::*field, int p) {
        const int n = 2 * p, m = 2 * p + 1;
        return m < kSections ? Double4(a[n].*field, b[n].*field, a[m].*field, b[m].*field)
                             : Double4(a[n].*field, b[n].*field, 0.0, 0.0);
    };
    auto scatter = [&](double SectionState::*field, int p, Double4 v) {
        const int n = 2 * p, m = 2 * p + 1;
        a[n].*field = v.lane(0);
        b[n].*field = v.lane(1);
        if (m < kSections) {
            a[m].*field = v.lane(2);
            b[m].*field = v.lane(3);
        }
    };
    // Every section of a filter holds the same coefficients (the caller checks): three registers.
    const Double4 b0(a[0].b0, b[0].b0, a[0].b0, b[0].b0);
    const Double4 a1(a[0].a1, b[0].a1, a[0].a1, b[0].a1);
    const Double4 a2(a[0].a2, b[0].a2, a[0].a2, b[0].a2);
    Double4 x1[kPairs], x2[kPairs], y1[kPairs], y2[kPairs];
    for (int p = 0; p < kPairs; ++p) {
        x1[p] = gather(&SectionState::x1, p), x2[p] = gather(&SectionState::x2, p);
        y1[p] = gather(&SectionState::y1, p), y2[p] = gather(&SectionState::y2, p);
    }
    constexpr int kLast = kSections - 1;
    constexpr int kOutPair = kLast / 2, kOutLane = (kLast % 2) * 2;
    // One iteration that reads the previous samples from (x1, y1) and the ones before from (x2, y2),
    // and leaves the new samples in (x2, y2): two iterations with the roles swapped move no state.
    auto step = [&](int it, Double4* px1, Double4* px2, Double4* py1, Double4* py2) {
        const Double4 fresh(inA[it], inB[it], 0.0, 0.0);
        Double4 xi[kPairs];
        if constexpr (kSections == 1) {
            xi[0] = fresh;
        } else {
            Double4 r[kPairs];
            for (int p = 0; p < kPairs; ++p) r[p] = roundedToFloat(py1[p]);
            xi[0] = lowHalves(fresh, r[0]);
            for (int p = 1; p < kPairs; ++p) xi[p] = crossHalves(r[p - 1], r[p]);
        }
        for (int p = 0; p < kPairs; ++p) {
            py2[p] = sectionOutput(b0, a1, a2, numeratorTaps<kResponse>(xi[p], px1[p], px2[p]), py1[p], py2[p]);
            px2[p] = xi[p];
        }
        py2[kOutPair].storeHalfAsFloats(kOutLane / 2, outA + it - kLast, outB + it - kLast);
    };
    int it = begin;
    for (; it + 1 < end; it += 2) {
        step(it, x1, x2, y1, y2);
        step(it + 1, x2, x1, y2, y1);
    }
    if (it < end) {
        step(it, x1, x2, y1, y2);
        for (int p = 0; p < kPairs; ++p) std::swap(x1[p], x2[p]), std::swap(y1[p], y2[p]);
    }
    for (int p = 0; p < kPairs; ++p) {
        scatter(&SectionState::x1, p, x1[p]), scatter(&SectionState::x2, p, x2[p]);
        scatter(&SectionState::y1, p, y1[p]), scatter(&SectionState::y2, p, y2[p]);
    }
}

// Where a filter's part of a run reads and writes.
struct RunIo {
    BiQuadFilter::Section* sections;
    const float* in;
    float* out;
};

template <int kSections>
struct RunStates {
    SectionState st[kSections];
    // Loads the sections of io, if any.
    explicit RunStates(const RunIo* io) {
        for (int n = 0; io && n < kSections; ++n) st[n].load(io->sections[n]);
    }
    // The sections are designed together from the same values, so they hold the same coefficients;
    // checked all the same, as the paired kernel keeps one set per filter.
    bool shareCoefficients() const {
        for (int n = 1; n < kSections; ++n) {
            if (st[n].b0 != st[0].b0 || st[n].a1 != st[0].a1 || st[n].a2 != st[0].a2) return false;
        }
        return true;
    }
    void save(const RunIo& io) const {
        for (int n = 0; n < kSections; ++n) st[n].save(io.sections[n]);
    }
};

// One run [begin, end) of one filter (b null) or of two filters together.
template <int kSections, int kResponse>
void runSections(const RunIo& a, const RunIo* b, int begin, int end) {
    RunStates<kSections> sa(&a);
    RunStates<kSections> sb(b);
    const int steadyBegin = begin + kSections - 1;
    const int last = end + kSections - 1;
    auto partial = [&](int it) {
        partialStep<kSections, kResponse>(sa.st, a.in, a.out, it, begin, end);
        if (b) partialStep<kSections, kResponse>(sb.st, b->in, b->out, it, begin, end);
    };
    int it = begin;
    for (; it < steadyBegin && it < last; ++it) partial(it);
    if (it < end) {
        if (b && sa.shareCoefficients() && sb.shareCoefficients()) {
            pairedSteadySteps<kSections, kResponse>(sa.st, sb.st, a.in, a.out, b->in, b->out, it, end);
        } else {
            steadySteps<kSections, kResponse>(sa.st, a.in, a.out, it, end);
            if (b) steadySteps<kSections, kResponse>(sb.st, b->in, b->out, it, end);
        }
        it = end;
    }
    for (; it < last; ++it) partial(it);
    sa.save(a);
    if (b) sb.save(*b);
}

template <int kResponse>
void runSectionsOf(int count, const RunIo& a, const RunIo* b, int begin, int end) {
    if (count == 1) {
        runSections<1, kResponse>(a, b, begin, end);
    } else if (count == 2) {
        runSections<2, kResponse>(a, b, begin, end);
    } else {
        // Four sections as two passes of two: each pass's state fits the registers, where four
        // sections of two channels would not. The second pass takes the first one's float
        // output, as the third section takes the second's: the same bits.
        runSections<2, kResponse>(a, b, begin, end);
        const RunIo a2{a.sections + 2, a.out, a.out};
        if (b) {
            const RunIo b2{b->sections + 2, b->out, b->out};
            runSections<2, kResponse>(a2, &b2, begin, end);
        } else {
            runSections<2, kResponse>(a2, nullptr, begin, end);
        }
    }
}

void runSectionsFor(int response, int count, const RunIo& a, const RunIo* b, int begin, int end) {
    if (response == GenericFilter::LowPass) {
        runSectionsOf<GenericFilter::LowPass>(count, a, b, begin, end);
    } else if (response == GenericFilter::HighPass) {
        runSectionsOf<GenericFilter::HighPass>(count, a, b, begin, end);
    } else {
        runSectionsOf<GenericFilter::BandPass>(count, a, b, begin, end);
    }
}

}  // namespace

BiQuadFilter::Pass BiQuadFilter::beginPass(const Block& block, int count) {
    if (!stateIsFinite()) reset();
    Pass pass{block, count, response, sectionsForSlope(slope), environment_.getSampleRate(), 0, false, true};
    // Coefficient segments follow the graph's clock; after a gap (a chunk this filter did not
    // run in) they are checked afresh at the first sample.
    pass.time = environment_.getCurrentTime();
    pass.continues = pass.time == nextTime_;
    nextTime_ = pass.time + count;
    for (int n = 0; n < pass.sections; ++n) {
        Section& s = sections_[n];
        // A new response or sample rate invalidates the coefficients even when frequency and peak stay.
        if (s.lastResponse != pass.kind || s.lastSampleRate != pass.sampleRate || s.lastSections != pass.sections) {
            s.lastResponse = pass.kind;
            s.lastSections = pass.sections;
            s.lastSampleRate = pass.sampleRate;
            s.lastFrequency = -1.0f;
        }
    }
    const float* factor = block.factor;
    if (block.constant && factor && !block.factorConstant) {
        for (int i = 1; i < count && pass.factorSteady; ++i) pass.factorSteady = factor[i] == factor[0];
    }
    return pass;
}

int BiQuadFilter::beginSegment(const Pass& pass, int i) {
    const Block& b = pass.block;
    auto startsAt = [&](int j, const Section& s) {
        return (j == 0 && !pass.continues) || CoefficientSegments::startsAt(pass.time + j, b.freq[j], s.lastFrequency);
    };
    const float p = b.factor ? b.peak[i] * b.factor[i] : b.peak[i];
    // Each section samples its coefficients where its own segment starts.
    for (int n = 0; n < pass.sections; ++n) {
        Section& s = sections_[n];
        if (!startsAt(i, s)) continue;
        if (!wave::nearlyEqual(b.freq[i], s.lastFrequency) || !wave::nearlyEqual(p, s.lastPeak)) {
            design(s, pass.kind, b.freq[i], p, pass.sampleRate, pass.sections);
            s.lastFrequency = b.freq[i];
            s.lastPeak = p;
        }
    }
    // Once every section holds the block's constant values, later segment starts in the block
    // only find nothing to change: the rest of the block is one run.
    if (b.constant && pass.factorSteady) {
        bool settled = true;
        for (int n = 0; n < pass.sections && settled; ++n) {
            settled = wave::nearlyEqual(b.freq[i], sections_[n].lastFrequency) && wave::nearlyEqual(p, sections_[n].lastPeak);
        }
        if (settled) return pass.count;
    }
    int end = i + 1;
    for (bool starts = false; end < pass.count; ++end) {
        for (int n = 0; n < pass.sections && !starts; ++n) starts = startsAt(end, sections_[n]);
        if (starts) break;
    }
    return end;
}

void BiQuadFilter::process(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                           int count, bool constant) {
    const Pass pass = beginPass({in, out, freq, peak, factor, constant, false}, count);
    const RunIo io{sections_, in, out};
    for (int i = 0; i < count;) {
        const int end = beginSegment(pass, i);
        runSectionsFor(pass.kind, pass.sections, io, nullptr, i, end);
        i = end;
    }
}

void BiQuadFilter::processPair(BiQuadFilter& a, const Block& blockA, BiQuadFilter& b, const Block& blockB, int count) {
    const Pass passA = a.beginPass(blockA, count);
    const Pass passB = b.beginPass(blockB, count);
    const RunIo ioA{a.sections_, blockA.in, blockA.out};
    const RunIo ioB{b.sections_, blockB.in, blockB.out};
    // A run ends where either filter's next segment starts; each filter designs at its own starts.
    int nextA = 0, nextB = 0;
    for (int i = 0; i < count;) {
        if (i == nextA) nextA = a.beginSegment(passA, i);
        if (i == nextB) nextB = b.beginSegment(passB, i);
        const int end = std::min(nextA, nextB);
        runSectionsFor(passA.kind, passA.sections, ioA, &ioB, i, end);
        i = end;
    }
}
