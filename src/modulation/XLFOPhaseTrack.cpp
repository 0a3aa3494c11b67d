#include "modulation/XLFOPhaseTrack.h"

#include <cmath>
#include <limits>

#include "engine/wave/Float4.h"
#include "modulation/XLFOSyncPhase.h"

namespace {

// Fractional part in [0, 1), also for negative arguments.
inline double fraction(double x) {
    const double f = x - std::floor(x);
    return f < 1.0 ? f : 0.0;
}

inline wave::Double4 fraction(wave::Double4 x) {
    const wave::Double4 f = x - floor(x);
    return select(lessThan(f, wave::Double4(1.0)), f, wave::Double4(0.0));
}

inline double ranOn(double previous, double phase) {
    return phase - previous < -0.5 ? phase + 1.0 : phase - previous > 0.5 ? phase - 1.0 : phase;
}

inline wave::Double4 ranOn(wave::Double4 previous, wave::Double4 phase) {
    const wave::Double4 d = phase - previous;
    const wave::Double4 one(1.0);
    return select(lessThan(d, wave::Double4(-0.5)), phase + one,
                  select(lessThan(wave::Double4(0.5), d), phase - one, phase));
}

}  // namespace

XLFOPhaseTrack::XLFOPhaseTrack(int capacity)
    : capacity_(capacity > 0 ? capacity : 1),
      sync_(static_cast<size_t>(capacity_) + 1, 0.0),
      phase_(static_cast<size_t>(capacity_) + 1, 0.0),
      reached_(static_cast<size_t>(capacity_) + 1, 0.0),
      frequency_(static_cast<size_t>(capacity_), 0.0f),
      carried_(static_cast<size_t>(capacity_), 0.0f),
      offset_(carried_.data()) {}

void XLFOPhaseTrack::prepare(const float* frequency, const float* phaseOffset, float previousOffset, float maximum,
                             int first, int frames) {
    const wave::Float4 zero(0.0f), top(maximum), infinity(std::numeric_limits<float>::infinity());
    float* f = frequency_.data();
    int finite = 0xF;
    int k = first;
    for (; k + 4 <= frames; k += 4) {
        // max takes its second operand where the first is NaN: NaN and everything up to 0 give 0.
        min(max(wave::Float4::loadUnaligned(frequency + k), zero), top).storeUnaligned(f + k);
        finite &= signBits(lessThan(abs(wave::Float4::loadUnaligned(phaseOffset + k)), infinity));
    }
    for (; k < frames; ++k) {
        f[k] = clampedFrequency(frequency[k], maximum);
        if (!std::isfinite(phaseOffset[k])) finite = 0;
    }
    if (finite == 0xF) {
        offset_ = phaseOffset;
        return;
    }
    float* carried = carried_.data();
    float last = previousOffset;
    for (k = first; k < frames; ++k) {
        if (std::isfinite(phaseOffset[k])) last = phaseOffset[k];
        carried[k] = last;
    }
    offset_ = carried;
}

void XLFOPhaseTrack::runFree(double syncPhase, double invRate, int first, int frames) {
    double* sync = sync_.data();
    const float* f = frequency_.data();
    double s = syncPhase;
    sync[first] = s;
    for (int k = first; k < frames; ++k) {
        s = xlfo_phase::step(s, f[k] * invRate);
        sync[k + 1] = s;
    }
}

void XLFOPhaseTrack::computePhases(double phase, int first, int frames) {
    const double* sync = sync_.data();
    double* p = phase_.data();
    p[first] = phase;
    int k = first + 1;
    for (; k + 4 <= frames + 1; k += 4)
        fraction(wave::Double4::loadUnaligned(sync + k) + wave::Double4(wave::Float4::loadUnaligned(offset_ + k - 1)))
            .storeUnaligned(p + k);
    for (; k <= frames; ++k) p[k] = fraction(sync[k] + static_cast<double>(offset_[k - 1]));
    // How far each phase ran on from the one before, in a pass of its own (the loads then find the
    // phases in place rather than in flight).
    double* r = reached_.data();
    for (k = first + 1; k + 4 <= frames + 1; k += 4)
        ranOn(wave::Double4::loadUnaligned(p + k - 1), wave::Double4::loadUnaligned(p + k)).storeUnaligned(r + k);
    for (; k <= frames; ++k) r[k] = ranOn(p[k - 1], p[k]);
}

int XLFOPhaseTrack::exitAfter(int from, int frames, double spanStart, double spanEnd) const {
    const double* r = reached_.data();
    const wave::Double4 start(spanStart), end(spanEnd);
    int k = from + 1;
    for (; k + 4 <= frames + 1; k += 4) {
        const wave::Double4 lanes = wave::Double4::loadUnaligned(r + k);
        const int inside = signBits(lessThan(lanes, end)) & ~signBits(lessThan(lanes, start));
        if (inside != 0xF) {
            for (int lane = 0;; ++lane)
                if (!(inside & 1 << lane)) return k + lane;
        }
    }
    for (; k <= frames; ++k)
        if (!(r[k] >= spanStart && r[k] < spanEnd)) return k;
    return frames;
}

void XLFOPhaseTrack::positions(int from, int to, double xBase, double spanStart, double xScale, float* x) const {
    const double* p = phase_.data();
    const wave::Double4 base(xBase), start(spanStart), scale(xScale);
    int k = from;
    for (; k + 4 <= to; k += 4)
        (base + (wave::Double4::loadUnaligned(p + k) - start) * scale).toFloat4().storeUnaligned(x + k);
    for (; k < to; ++k) x[k] = static_cast<float>(xBase + (p[k] - spanStart) * xScale);
}

void XLFOPhaseTrack::glides(int from, int to, float stepGlide, const float* input, float* g) const {
    const float* f = frequency_.data();
    const wave::Float4 own(stepGlide), rate(0.0002f), one(1.0f);
    int k = from;
    for (; k + 4 <= to; k += 4) {
        const wave::Float4 scaled = rate * wave::Float4::loadUnaligned(f + k);
        // A non-finite input adds nothing; max keeps the glide where it equals the minimum.
        const wave::Float4 wanted = own + finiteOrZero(wave::Float4::loadUnaligned(input + k));
        min(max(scaled * scaled, wanted), one).storeUnaligned(g + k);
    }
    for (; k < to; ++k) g[k] = effectiveGlide(stepGlide, input[k], f[k]);
}
