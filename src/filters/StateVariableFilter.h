#pragma once
#include <cstddef>
#include <limits>
#include <memory>
#include <vector>

#include "engine/wave/Environment.h"
#include "engine/wave/Float4.h"
#include "engine/wave/FunctionTable.h"
#include "filters/CoefficientSegments.h"
#include "filters/GenericFilter.h"

// The non-linear filter kernel: a cascade of 1, 2 or 4 two-pole state-variable stages (12, 24 or
// 48 dB/octave). Each stage iterates three times per input sample (the input held), so it runs at
// three times the sample rate without a separate oversampling filter. The first stage carries the
// character: its input is scaled by inputGain(), its band state is limited by a cubic term, and its
// damping follows the resonance from designValues(); the later stages get a small fixed share of
// the peak. An asymmetric arctangent clipper with drive and make-up gain follows the last stage.
//
// Coefficients are sampled per segment (CoefficientSegments: every 32 samples of the graph's
// clock, sooner when the frequency moves by more than 0.1 octave) and converted through
// process-wide tables. A segment that a chunk boundary cuts goes on with the same values.
//
// Two paths: process() filters one signal (lane 0 of the state); processMembers() filters up to
// four member filters at once, one per Float4 lane; with one or two members the stages of a
// 24 or 48 dB cascade are pipelined into the idle lanes (same results, half the passes). Derived classes supply the per-characteristic
// values through designValues() and inputGain(). Everything is allocated at construction for the
// environment's block size; processing never allocates. Audio thread only, except construction.
class StateVariableFilter : public GenericFilter::ParallelFilterUnit {
public:
    static constexpr int kMaxStages = 4;
    static constexpr int kLanes = 4;

    // atan(x) below 0 and atan(a·x)/a from 0 up: a shape a below 1 saturates the positive half
    // later (towards pi/(2a)) than the negative half (towards -pi/2).
    class ClipFunction : public FunctionTableFunction {
    public:
        explicit ClipFunction(float shape) : shape_(shape) {}
        double evaluate(double x) const override;

    private:
        float shape_;
    };

    // The clipper shape and its table over [-40, 40]. Rebuilding allocates: not on the audio thread.
    class ClipTable {
    public:
        static constexpr int kSize = 8192;
        static constexpr float kRange = 40.0f;

        explicit ClipTable(float shape = 0.3f);
        // Rebuilds the table when the shape differs from the current one by more than the tolerance.
        void setShape(float shape);
        float getShape() const { return shape_; }
        const FunctionTable& table() const { return table_; }
        // Reads the same values as table().read(v), under the same RoundDownScope, from a copy of
        // the points stored as (value, slope to the next) pairs: one place per lane to read from and
        // no subtraction per sample. A local Reader keeps the grid in registers across a loop.
        class Reader {
        public:
            explicit Reader(const ClipTable& t)
                : scale_(t.scale_), fracOffset_(t.fracOffset_), lowest_(t.lowest_), highest_(t.highest_),
                  pairs_(t.pairs_.data()) {}
            wave::Float4 operator()(wave::Float4 v) const {
                const wave::Float4 p = clamp(v * scale_ - fracOffset_, lowest_, highest_);
                // Converting with the current rounding mode is the floor here. Whole numbers from
                // the lowest place up: the index of each lane's pair, exact and not negative.
                const wave::Float4 q = rint(p);
                alignas(16) std::int32_t at[4];
                (q - lowest_).storeTruncated(at);
                auto pair = [this](std::int32_t k) { return pairs_ + 2 * static_cast<size_t>(static_cast<std::uint32_t>(k)); };
                const wave::Float4 a = wave::Float4::loadPairs(pair(at[0]), pair(at[1]));  // v0 s0 v1 s1
                const wave::Float4 b = wave::Float4::loadPairs(pair(at[2]), pair(at[3]));  // v2 s2 v3 s3
                return evenLanes(a, b) + oddLanes(a, b) * (p - q);
            }

        private:
            wave::Float4 scale_, fracOffset_, lowest_, highest_;
            const float* pairs_;
        };
        wave::Float4 read(wave::Float4 v) const { return Reader(*this)(v); }
        // What the table reads at 0 (not exactly 0: the grid straddles 0 and the two halves of
        // the function differ). The clip stage subtracts it so that silence stays silence.
        float zero() const { return zero_; }

    private:
        void rebuild();

        float shape_ = 0.0f;
        FunctionTable table_;
        float zero_ = 0.0f;
        std::vector<float> pairs_;
        float scale_ = 0.0f;
        float fracOffset_ = 0.0f;
        float lowest_ = 0.0f;   // the limits of the position, as floats
        float highest_ = 0.0f;
        int intOffset_ = 0;
    };

    // Frequency coefficient of a stage iterated three times per sample, for v = log2(fc / fs):
    // 2·sin(pi·fc / (3·fs)), limited to 0.95.
    class FreqFunction : public FunctionTableFunction {
    public:
        double evaluate(double v) const override;
    };
    // Damping for a resonance x: 2·(1 - x^(1/4)).
    class DampFunction : public FunctionTableFunction {
    public:
        double evaluate(double x) const override;
    };
    // The largest damping usable with frequency coefficient f: min(2/f - f, 2).
    class DampLimitFunction : public FunctionTableFunction {
    public:
        double evaluate(double f) const override;
    };

    // The process-wide tables, built on first use and shared read-only afterwards.
    static const FunctionTable& freqTable();
    static const FunctionTable& dampTable();
    static const FunctionTable& dampLimitTable();
    // A symmetric clipper (shape 1) for filters built without a clip table of their own.
    static const ClipTable& defaultClipTable();

    // clipTable may be null (the default clip table is used); it must outlive the filter.
    StateVariableFilter(wave::Environment& environment, const ClipTable* clipTable = nullptr);
    ~StateVariableFilter() override;

    void process(const float* in, float* out, const float* freq, const float* peak, const float* factor, int count,
                 bool constant) override;
    bool processesInPlace() const override { return true; }
    bool acceptsSlope(int value) const override { return value != 0; }
    void reset() override;
    void processMembers(int count) override;

    // Per-characteristic values for a coefficient segment (freq in log2 Hz, peak already limited
    // to 0..1): the resonance of the first stage, the coefficient of its cubic band limit, and the
    // drive into the clipper. The plain filter: min(peak, 0.999), 0 and 0.1.
    virtual void designValues(float freq, float peak, float& resonanceIn, float& saturation, float& drive);
    // Gain into the first stage; divided out again after the clipper. The plain filter: 1.
    virtual float inputGain();

    void setClipTable(const ClipTable* clipTable) { clipTable_ = clipTable ? clipTable : &defaultClipTable(); }
    const ClipTable* getClipTable() const { return clipTable_; }
    wave::Environment& getEnvironment() const { return environment_; }

    // Number of stages a slope value selects: 1 -> 1, 2 -> 2, anything else -> 4.
    static int stagesForSlope(int slope) { return slope == 1 ? 1 : slope == 2 ? 2 : 4; }

    // The state of one stage and lane (for inspection).
    float lowState(int stage, int lane) const { return low_[stage * kLanes + lane]; }
    float bandState(int stage, int lane) const { return band_[stage * kLanes + lane]; }
    // Number of coefficient segments of the last pass and the length of each.
    int segmentCount() const { return segmentCount_; }
    int segmentLength(int index) const { return runs_[index]; }

protected:
    // Writes a state value (tests and derived filters that need to preload a state).
    void setState(int stage, int lane, float low, float band) {
        low_[stage * kLanes + lane] = low;
        band_[stage * kLanes + lane] = band;
    }

private:
    struct AlignedFree {
        void operator()(float* p) const;
    };
    using FloatArray = std::unique_ptr<float[], AlignedFree>;
    static FloatArray allocate(size_t count);

    void processBlock(const float* in, float* out, const float* freq, const float* peak, const float* factor,
                      int count, bool constant, std::int64_t time);
    // Whether a call starting at graph time `time` directly follows the previous one with the same
    // active lanes (the one-filter path passes 1, the member path bit lane + 1 per active lane).
    bool continuesSegment(std::int64_t time, int activeLanes) const;
    void computeCoefficients(int segment, int lane, float freq, float peak, int stages);
    void updateSampleRate();
    void clip(float* data, int count, int lane) const;
    bool stateIsFinite() const;
    float& damping(int stage, int segment, int lane) {
        return damp_[(static_cast<size_t>(stage) * blockSize_ + segment) * kLanes + lane];
    }

    wave::Environment& environment_;
    int blockSize_;
    int paddedSize_;
    // Per-segment coefficients, lane-interleaved: [segment * 4 + lane].
    FloatArray freqCoef_;
    FloatArray damp_;  // [stage][segment][lane]
    FloatArray saturation_;
    FloatArray drive_;
    FloatArray post_;
    std::unique_ptr<int[]> runs_;
    int segmentCount_ = 0;
    // Where the last segment of the previous call started from, per lane, and when that call ended.
    float segmentFreq_[kLanes] = {};
    float segmentPeak_[kLanes] = {};
    std::int64_t nextTime_ = -1;
    int segmentLanes_ = 0;
    const ClipTable* clipTable_;
    const FunctionTable* freqTable_;
    const FunctionTable* dampTable_;
    const FunctionTable* dampLimitTable_;
    float log2SampleRate_ = 0.0f;
    float gain_ = 1.0f;  // input gain of the current pass
    float rateForLog2_ = -1.0f;
    alignas(16) float low_[kMaxStages * kLanes];
    alignas(16) float band_[kMaxStages * kLanes];
    FloatArray laneBuffers_[kLanes];
    FloatArray interleaved_;  // four lanes side by side, sample-major
};
