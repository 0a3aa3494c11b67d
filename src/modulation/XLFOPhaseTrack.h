#pragma once
#include <cmath>
#include <vector>

// The phases of one block of a step LFO whose frequency or phase offset input varies. Only the
// sync phase sum is a true recurrence; it runs alone first, over the whole block, and everything
// else (the clamped frequency, the carried offset, the phase, how far it ran on, the first sample
// that leaves a step, the positions and glides within a step) is worked out four samples at a time
// from it. Every value is the one the sample-by-sample loop reaches, bit for bit.
//
// Sample k of the block has the phase phase(k); phase(frames) is the phase after the block. The
// sync phase after sample k is sync(k + 1): the frequency of sample k advances it, and the offset of
// sample k moves the phase of sample k + 1.
class XLFOPhaseTrack {
public:
    // The frequency limited to 0 .. maximum; NaN gives 0.
    static float clampedFrequency(float f, float maximum) {
        if (!(f > 0.0f)) f = 0.0f;
        return f > maximum ? maximum : f;
    }
    // The glide in use: the step's own plus the global input, never below a minimum that grows with
    // the rate (even hard steps are rounded a little at high rates, against aliasing clicks).
    static float effectiveGlide(float stepGlide, float input, float frequency) {
        float g = std::isfinite(input) ? stepGlide + input : stepGlide;
        const float minimum = (0.0002f * frequency) * (0.0002f * frequency);
        if (g < minimum) g = minimum;
        return g > 1.0f ? 1.0f : g;
    }

    // Room for blocks of up to `capacity` samples (allocates; not on the audio thread).
    explicit XLFOPhaseTrack(int capacity);
    int capacity() const { return capacity_; }

    // The track runs over samples first .. frames of the block (frames <= capacity).
    // The inputs of samples first .. frames - 1: each frequency clamped to 0 .. maximum (NaN gives 0), and
    // each offset that is not finite replaced by the last finite one (`previousOffset` before the
    // first).
    void prepare(const float* frequency, const float* phaseOffset, float previousOffset, float maximum, int first,
                 int frames);
    // The free-running sync phase from `syncPhase` at sample `first` on: each sample adds its frequency
    // times `invRate`, and a sum that reaches 1 wraps.
    void runFree(double syncPhase, double invRate, int first, int frames);
    // Locked instead: the caller writes sync(first .. frames) here, indexed by sample.
    double* syncs() { return sync_.data(); }
    // The phases of samples first + 1 .. frames, the fractional part of sync phase plus offset
    // (sample `first` keeps `phase`), and how far each ran on.
    void computePhases(double phase, int first, int frames);

    double sync(int k) const { return sync_[static_cast<size_t>(k)]; }
    double phase(int k) const { return phase_[static_cast<size_t>(k)]; }
    float frequency(int k) const { return frequency_[static_cast<size_t>(k)]; }
    float offset(int k) const { return offset_[k]; }
    // The phase of sample k as it ran on from sample k - 1 (k >= 1): past the end of the cycle or
    // back before its start where it wrapped.
    double reached(int k) const { return reached_[static_cast<size_t>(k)]; }
    // The first sample k after `from` (up to frames) whose reached phase lies outside
    // [spanStart, spanEnd); frames if none does.
    int exitAfter(int from, int frames, double spanStart, double spanEnd) const;
    // x[k] = xBase + (phase(k) - spanStart) * xScale in float, for k in [from, to).
    void positions(int from, int to, double xBase, double spanStart, double xScale, float* x) const;
    // g[k] = effectiveGlide(stepGlide, input[k], frequency(k)) for k in [from, to).
    void glides(int from, int to, float stepGlide, const float* input, float* g) const;

private:
    int capacity_;
    std::vector<double> sync_;   // capacity + 1
    std::vector<double> phase_;  // capacity + 1
    std::vector<double> reached_;  // capacity + 1
    std::vector<float> frequency_;
    std::vector<float> carried_;
    const float* offset_ = nullptr;  // the input itself where all of it is finite, else carried_
};
