#include "modulation/XLFO.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/wave/Float4.h"
#include "modulation/XLFOGlide.h"
#include "modulation/XLFOSyncPhase.h"
#include "platform/Tolerance.h"

namespace {

// Fractional part in [0, 1), also for negative arguments.
inline double fraction(double x) {
    const double f = x - std::floor(x);
    return f < 1.0 ? f : 0.0;
}

inline float glideShape(int curve, float t) {
    switch (curve) {
        case XLFO::Sqr:
            return t * t;
        case XLFO::Sqrt:
            return t >= 0.0f ? std::sqrt(t) : -std::sqrt(-t);
        case XLFO::Sine:
            return xlfo_glide::sine(t);
        default:
            return t;
    }
}

// The glide from x on: the held value before 1 - g, then the curve over the last g of the step.
inline float glideValue(float value, float rise, int curve, float g, float x) {
    if (g > 0.0f && x > 1.0f - g) return value + glideShape(curve, std::min((x - (1.0f - g)) / g, 1.0f)) * rise;
    return value;
}

inline float clampedFrequency(float f) { return XLFOPhaseTrack::clampedFrequency(f, XLFO::kMaxFrequency); }

// The 24-bit feedback register: a left shift, folded back with this tap pattern at bit 24.
constexpr uint32_t kRegisterTaps = 0x11D872B;
constexpr uint32_t kRegisterMask = 0xFFFFFF;

}  // namespace

XLFO::Step::Step()
    : value_(this, 0.0f, -1.0f, 1.0f), glide_(this, 0.0f, 0.0f, 1.0f), glideFunction_(this, Linear), random_(this, false) {}

void XLFO::Step::propertyChanged(PropertyBase* property) {
    if (property == &value_ || property == &random_) valid_ = false;
}

XLFO::XLFO(wave::Environment& environment)
    : wave::Source(environment),
      stepCount_(this, kMaxSteps, 1, kMaxSteps),
      balance_(this, 0.5f, kMinBalance, kMaxBalance),
      snap_(this, false),
      midiTrigger_(this, false),
      frequency_(environment, 0.1f),
      glide_(environment, 0.0f),
      phaseOffset_(environment, 0.0f),
      frequencyInput_(&frequency_),
      glideInput_(&glide_),
      phaseOffsetInput_(&phaseOffset_),
      count_(stepCount_.get()),
      b_(balance_.get()),
      track_(environment.getBlockSize()) {
    glides_.assign(static_cast<size_t>(environment.getBlockSize()), 0.0f);
    frequency_.ramp().setLimits(0.0f, kMaxFrequency);
    glide_.ramp().setLimits(-1.0f, 1.0f);
    phaseOffset_.ramp().setLimits(-100.0f, 100.0f);
    phaseOffset_.ramp().setWrapPeriod(1.0f);
    layoutSteps();
}

void XLFO::setRandomSeed(uint32_t seed) {
    // 1..2^24-1: the register never holds 0 (it would stay there) nor a 25th bit.
    random_ = seed % kRegisterMask + 1;
}

float XLFO::nextRandom(float v) {
    random_ <<= 1;
    if (random_ & (kRegisterMask + 1)) random_ ^= kRegisterTaps;
    random_ &= kRegisterMask;
    float u = static_cast<float>(static_cast<int32_t>(random_) - 0x800000) * 5.9604645e-8f + 0.5f;  // [0, 1)
    if (!randomUnipolar_) u = 2.0f * u - 1.0f;
    // Consecutive random values are at least 0.2 apart, so every step is heard as a step.
    if (std::fabs(u - v) < 0.2f) return v >= 0.5f ? v - 0.2f : v + 0.2f;
    return u;
}

float XLFO::snapToGrid(float v) {
    if (!(v >= -1.0f)) v = -1.0f;
    if (v > 1.0f) v = 1.0f;
    const int q = std::clamp(static_cast<int>(((v + 1.0f) * 0.5f + 0.020833333f) * 24.0f), 0, 24);
    return std::clamp(static_cast<float>(q) * 0.041666668f * 2.0f - 1.0f, -1.0f, 1.0f);
}

void XLFO::invalidateSteps() {
    for (Step& s : steps_) s.valid_ = false;
}

void XLFO::layoutSteps() {
    const int n = count_;
    const double b = b_;
    const double firstWidth = 2.0 * b / n;
    const double secondWidth = 2.0 * (1.0 - b) / n;
    double start = 0.0;
    for (int a = 0; a < kMaxSteps; ++a) {
        Step& s = steps_[static_cast<size_t>(a)];
        double end;
        if (a + 1 >= n) {
            end = 1.0;
        } else if (2 * (a + 1) < n) {
            end = (a + 1) * firstWidth;
        } else {
            end = (a + 1 - n * 0.5) * secondWidth + b;
        }
        s.start_ = a < n ? start : 1.0;
        s.end_ = end;
        s.middle_ = 2 * a + 1 == n;
        start = end;
    }
}

void XLFO::changeBalance(double b) {
    const double e = b_;
    if (std::fabs(b - e) <= wave::kTolerance) return;
    // Keep the relative position within the current half.
    double p = phase_;
    if (p >= e) {
        if (e != 1.0) p = ((p - e) / (1.0 - e)) * (1.0 - b) + b;
    } else if (e != 0.0) {
        p = b * p / e;
    }
    p = fraction(p);
    syncPhase_ = fraction(syncPhase_ + (p - phase_));
    phase_ = p;
    b_ = b;
    secondHalf_ = phase_ >= b_;
    layoutSteps();
}

void XLFO::propertyChanged(PropertyBase* property) {
    if (property == &stepCount_) {
        count_ = stepCount_.get();
        invalidateSteps();
        layoutSteps();
    } else if (property == &balance_) {
        changeBalance(balance_.get());
    } else if (property == &snap_) {
        invalidateSteps();
    }
}

int XLFO::findStep(double phase) const {
    for (int a = 0; a < count_; ++a) {
        const Step& s = steps_[static_cast<size_t>(a)];
        if (phase >= s.start_ && phase < s.end_) return a;
    }
    return 0;
}

void XLFO::noteOn() {
    if (midiTrigger_.get()) {
        phase_ = fraction(phase_ - syncPhase_);
        syncPhase_ = 0.0;
        // The note arrives between chunks: the clock stands at its sample.
        triggerReference_ = hasPosition_ ? positionAt(getEnvironment().getCurrentTime()) : 0.0;
        secondHalf_ = phase_ >= b_;
    } else {
        triggerReference_ = 0.0;
    }
}

void XLFO::setSongPosition(double position, std::int64_t time, double beatsPerSample) {
    if (!std::isfinite(position) || !std::isfinite(beatsPerSample)) return;
    hasPosition_ = true;
    lockPosition_ = position;
    lockTime_ = time;
    lockBeatsPerSample_ = beatsPerSample;
}

void XLFO::lockToPosition(double cyclesPerBar) {
    if (!hasPosition_ || !std::isfinite(cyclesPerBar)) {
        locked_ = false;
        return;
    }
    locked_ = true;
    lockCyclesPerBar_ = cyclesPerBar;
}

inline double XLFO::positionAt(std::int64_t time) const {
    return lockPosition_ + static_cast<double>(time - lockTime_) * lockBeatsPerSample_;
}

inline double XLFO::lockedPhase(std::int64_t time) const {
    // Quarter notes to bars, bars to cycles; the trigger reference is the cycle's origin.
    return fraction((positionAt(time) - triggerReference_) * 0.25 * lockCyclesPerBar_);
}

float XLFO::stepValue(int index) {
    Step& s = steps_[static_cast<size_t>(index)];
    if (!s.valid_) {
        float c;
        if (s.random_.get()) {
            if (count_ == 1) {
                c = s.storedRandom_;
                s.storedRandom_ = nextRandom(c);
            } else {
                c = nextRandom(steps_[static_cast<size_t>((index - 1 + count_) % count_)].current_);
            }
        } else {
            c = s.value_.get();
        }
        if (snap_.get()) c = snapToGrid(c);
        s.current_ = c;
        s.valid_ = true;
    }
    return s.current_;
}

void XLFO::render(wave::Buffer& buffer, int frames, int flags) {
    // Inputs always carry real values, so a skipped block advances the phase exactly.
    const int inputFlags = flags & ~wave::kSkip;
    const float* frequency = frequencyInput_->pull(frames, inputFlags)->data();
    const float* glide = glideInput_->pull(frames, inputFlags)->data();
    const float* phaseOffset = phaseOffsetInput_->pull(frames, inputFlags)->data();
    float* out = buffer.data();

    renderTime_ = getEnvironment().getCurrentTime();
    if (locked_) {
        syncPhase_ = lockedPhase(renderTime_);
        phase_ = fraction(syncPhase_ + previousOffset_);
        secondHalf_ = phase_ >= b_;
    }
    // With frequency and offset constant the phase advances steadily, whatever the glide does.
    const Inputs inputs = !frequencyInput_->isConstant() || !phaseOffsetInput_->isConstant() ? Varying
                          : glideInput_->isConstant()                                        ? Constant
                                                                                             : SteadyPhase;
    tracking_ = false;
    if (inputs == Varying) trackPhases(frequency, phaseOffset, 0, frames);
    int i = 0;
    while (i < frames) i = renderStep(findStep(phase_), out, i, frames, frequency, glide, phaseOffset, inputs);

    const float f0 = frames > 0 && frequency[0] > 0.0f ? std::min(frequency[0], kMaxFrequency) : 0.0f;
    fast_ = count_ * f0 * 0.5f > 10.0f;
    setConstant(false);
}

int XLFO::renderStep(int index, float* out, int i, int frames, const float* frequency, const float* glide,
                     const float* phaseOffset, Inputs inputs) {
    Step& s = steps_[static_cast<size_t>(index)];
    const float v = stepValue(index);
    // The value the end of the step glides to.
    float w = v;  // a single fixed step holds its value
    if (count_ >= 2) {
        w = stepValue((index + 1) % count_);
    } else if (s.random_.get()) {
        w = snap_.get() ? snapToGrid(s.storedRandom_) : s.storedRandom_;
    }

    // The span the phase may run through in this pass and its map to x in [0, 1): the middle
    // step of an odd count runs its two halves at the speeds of the two halves of the cycle.
    const double start = s.start_;
    const double end = s.end_;
    Pass pass{v, w - v, s.glide_.get(), s.glideFunction_.get(), start, end, 0.0, 0.0};
    if (s.middle_) {
        if (phase_ < b_) {
            pass.spanEnd = b_;
            pass.xScale = 0.5 / (b_ - start);
        } else {
            pass.spanStart = b_;
            pass.xBase = 0.5;
            pass.xScale = 0.5 / (end - b_);
        }
    } else {
        pass.xScale = 1.0 / (end - start);
    }

    double reached = phase_;
    if (tracking_) {
        i = runTracked(pass, out, i, frames, glide, reached);
    } else {
        // Frequency and offset hold for the block: the pass is cut into stretches where it can be.
        const float f = clampedFrequency(frequency[i]);
        const float offset = std::isfinite(phaseOffset[i]) ? phaseOffset[i] : previousOffset_;
        const float g = inputs == Constant ? XLFOPhaseTrack::effectiveGlide(pass.glide, glide[i], f) : 0.0f;
        const int next = runStretches(pass, out, i, frames, f, g, inputs == Constant ? nullptr : glide, offset, reached);
        if (next >= 0) {
            i = next;
        } else if (inputs == Constant) {
            i = runPass(pass, out, i, frames, f, g, offset, reached);
        } else {
            // The rest of the block follows the phases sample by sample.
            trackPhases(frequency, phaseOffset, i, frames);
            i = runTracked(pass, out, i, frames, glide, reached);
        }
    }

    // A random step draws a new value on its next pass.
    if (s.random_.get() && !(reached >= start && reached < end)) s.valid_ = false;
    secondHalf_ = phase_ >= b_;
    return i;
}

int XLFO::runPass(const Pass& pass, float* out, int i, int frames, float f, float g, float offset, double& reached) {
    const double increment = f * (1.0 / getEnvironment().getSampleRate());
    const bool locked = locked_;
    // Members in locals: the stores to `out` could otherwise alias them.
    double phase = phase_;
    double syncPhase = syncPhase_;
    do {
        const float x = static_cast<float>(pass.xBase + (phase - pass.spanStart) * pass.xScale);
        out[i] = glideValue(pass.value, pass.rise, pass.curve, g, x);
        // The phases of the next sample, each wrapped into [0, 1) at once, so that no rounding
        // depends on where a block ends.
        if (locked) {
            syncPhase = lockedPhase(renderTime_ + i + 1);
        } else {
            syncPhase += increment;
            if (syncPhase >= 1.0) syncPhase = fraction(syncPhase);
        }
        const double previous = phase;
        phase = fraction(syncPhase + static_cast<double>(offset));
        // The phase as it ran on, past the end of the cycle (or back before its start).
        reached = phase - previous < -0.5 ? phase + 1.0 : phase - previous > 0.5 ? phase - 1.0 : phase;
        ++i;
    } while (i < frames && reached >= pass.spanStart && reached < pass.spanEnd);
    phase_ = phase;
    syncPhase_ = syncPhase;
    previousOffset_ = offset;
    return i;
}

void XLFO::trackPhases(const float* frequency, const float* phaseOffset, int first, int frames) {
    track_.prepare(frequency, phaseOffset, previousOffset_, kMaxFrequency, first, frames);
    if (locked_) {
        double* sync = track_.syncs();
        sync[first] = syncPhase_;
        for (int k = first + 1; k <= frames; ++k) sync[k] = lockedPhase(renderTime_ + k);
    } else {
        track_.runFree(syncPhase_, 1.0 / getEnvironment().getSampleRate(), first, frames);
    }
    track_.computePhases(phase_, first, frames);
    tracking_ = true;
}

int XLFO::runTracked(const Pass& pass, float* out, int i, int frames, const float* glide, double& reached) {
    // The samples of the pass, their positions and glides, then the curve over all of them.
    const int next = track_.exitAfter(i, frames, pass.spanStart, pass.spanEnd);
    track_.positions(i, next, pass.xBase, pass.spanStart, pass.xScale, out);
    float* glides = glides_.data();
    track_.glides(i, next, pass.glide, glide, glides);
    xlfo_glide::applyEach(pass.curve, pass.value, pass.rise, glides + i, out + i, next - i);
    // The state of the exit sample; what the track holds beyond it is not taken.
    reached = track_.reached(next);
    phase_ = track_.phase(next);
    syncPhase_ = track_.sync(next);
    previousOffset_ = track_.offset(next - 1);
    return next;
}

int XLFO::runStretches(const Pass& pass, float* out, int i, int frames, float f, float g, const float* glide,
                       float offset, double& reached) {
    const bool locked = locked_;
    const double increment = f * (1.0 / getEnvironment().getSampleRate());
    // The phase's advance per sample, for estimates only. It must dwarf the rounding of the phase
    // (about 1e-16), so that the phase never steps back where the sync phase wraps.
    const double pace = locked ? lockBeatsPerSample_ * 0.25 * lockCyclesPerBar_ : increment;
    if (!(pace > 1e-12) || !(pace < 0.25)) return -1;
    const long available = frames - i;
    const double sync0 = syncPhase_;
    const double phase0 = phase_;
    const double shift = static_cast<double>(offset);
    const std::int64_t time0 = renderTime_ + i;

    // Exactly the values the sample-by-sample loop reaches at sample k of the pass. The free phase
    // walks on from the nearest sample already known before k (the searches ask near each other).
    long knownAt[4] = {0, 0, 0, 0};
    double known[4] = {sync0, sync0, sync0, sync0};
    int nextSlot = 0;
    auto syncAt = [&](long k) {
        if (locked) return k == 0 ? sync0 : lockedPhase(time0 + k);
        int from = 0;
        for (int a = 1; a < 4; ++a)
            if (knownAt[a] <= k && knownAt[a] > knownAt[from]) from = a;
        if (knownAt[from] == k) return known[from];
        const double sync = xlfo_phase::advance(known[from], increment, k - knownAt[from]);
        nextSlot = nextSlot % 3 + 1;  // slot 0 keeps the start
        knownAt[nextSlot] = k;
        known[nextSlot] = sync;
        return sync;
    };
    auto phaseOf = [&](double sync) { return fraction(sync + shift); };
    auto phaseAt = [&](long k) { return k == 0 ? phase0 : phaseOf(syncAt(k)); };
    auto reachedAt = [&](long k) {
        const double previous = phaseAt(k - 1);
        const double phase = phaseAt(k);
        return phase - previous < -0.5 ? phase + 1.0 : phase - previous > 0.5 ? phase - 1.0 : phase;
    };
    auto leaves = [&](long k) {
        const double r = reachedAt(k);
        return !(r >= pass.spanStart && r < pass.spanEnd);
    };
    auto xAt = [&](long k) { return static_cast<float>(pass.xBase + (phaseAt(k) - pass.spanStart) * pass.xScale); };

    // The samples of the pass: up to the first k >= 1 whose phase leaves the span. Estimated from
    // the pace, then moved until the exact phases confirm it.
    const double toEnd = (pass.spanEnd - phase0) / pace;
    long n = toEnd < static_cast<double>(available) ? std::max(1L, static_cast<long>(std::ceil(toEnd))) : available;
    for (int tries = 0;; ++tries) {
        if (tries > 8) return -1;
        if (n > 1 && leaves(n - 1)) {
            --n;
        } else if (n < available && !leaves(n)) {
            ++n;
        } else {
            break;
        }
    }
    // Samples 1 .. n-1 stay inside: the first and the last of them do, the phase only grows in
    // between, and too little time passes for a whole cycle to be hidden there.
    if (n >= 2 && (leaves(1) || phaseAt(n - 1) < phaseAt(1) || static_cast<double>(n - 2) * pace >= 0.999))
        return -1;

    // From sample 1 on, x grows with k: the glide starts at the first k with x beyond 1 - g.
    // A varying glide input is taken sample by sample over the whole pass.
    const float glideStart = 1.0f - g;
    long m = glide ? 1 : n;
    if (!glide && g > 0.0f && n > 1) {
        const double startPhase = pass.spanStart + (static_cast<double>(glideStart) - pass.xBase) / pass.xScale;
        const double toGlide = (startPhase - phase0) / pace;
        m = toGlide < static_cast<double>(n) ? std::max(1L, static_cast<long>(std::ceil(toGlide))) : n;
        for (int tries = 0;; ++tries) {
            if (tries > 8) return -1;
            if (m > 1 && xAt(m - 1) > glideStart) {
                --m;
            } else if (m < n && !(xAt(m) > glideStart)) {
                ++m;
            } else {
                break;
            }
        }
    }

    auto glideAt = [&](long k) { return glide ? XLFOPhaseTrack::effectiveGlide(pass.glide, glide[i + k], f) : g; };
    out[i] = glideValue(pass.value, pass.rise, pass.curve, glideAt(0), xAt(0));
    std::fill(out + i + 1, out + i + m, pass.value);
    if (m < n) {
        // The gliding stretch: its positions first, each from the exact phase, then the curve.
        float* x = out + i;
        if (locked) {
            const XLFOPhaseTrack::Lock lock{lockPosition_, lockTime_, lockBeatsPerSample_, triggerReference_,
                                            lockCyclesPerBar_};
            XLFOPhaseTrack::lockedPositions(lock, time0, m, n, shift, pass.xBase, pass.spanStart, pass.xScale, x);
        } else {
            double sync = syncAt(m - 1);
            for (long k = m; k < n;) {
                const xlfo_phase::Run run = xlfo_phase::run(sync, increment, n - k);
                sync = run.first + static_cast<double>(run.count - 1) * run.delta;
                // The whole part of sync + offset is the same at both ends of the run, so for every
                // sample of it: the fraction takes that one floor (the same operations otherwise).
                const double whole = std::floor(run.first + shift);
                if (std::floor(sync + shift) == whole) {
                    XLFOPhaseTrack::runPositions(run.first, run.delta, shift, whole, pass.xBase, pass.spanStart,
                                                 pass.xScale, x + k, run.count);
                } else {
                    for (long j = 0; j < run.count; ++j) {
                        const double phase = phaseOf(run.first + static_cast<double>(j) * run.delta);
                        x[k + j] = static_cast<float>(pass.xBase + (phase - pass.spanStart) * pass.xScale);
                    }
                }
                k += run.count;
            }
        }
        if (glide) {
            // Each sample's own glide, then the curve where it glides (four at a time).
            float* glides = glides_.data() + i;
            XLFOPhaseTrack::steadyGlides(pass.glide, glide + i + m, f, glides + m, static_cast<int>(n - m));
            xlfo_glide::applyEach(pass.curve, pass.value, pass.rise, glides + m, x + m, static_cast<int>(n - m));
        } else {
            xlfo_glide::apply(pass.curve, pass.value, pass.rise, g, x + m, static_cast<int>(n - m));
        }
    }

    reached = reachedAt(n);
    syncPhase_ = syncAt(n);
    phase_ = phaseOf(syncPhase_);
    previousOffset_ = offset;
    return i + static_cast<int>(n);
}
