#include "filters/PipelinedCascade.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "filters/GenericFilter.h"
#include "filters/StateVariableStep.h"

namespace state_variable {

namespace {

template <int kStages, int kResponse>
class PipelinedCascade {
public:
    static_assert(kStages == 2 || kStages == 4, "pairs of stages");
    static constexpr int kLag = kStages - 1;

    PipelinedCascade(const PipelineSegments& segments, float gain, float* low, float* band)
        : seg_(segments), gain_(gain), low_(low), band_(band) {
        // Lanes 0/1 of stage 2k and 2k + 1 side by side; the idle lanes 2/3 of the stored state
        // are cleared so that they never hold anything stale.
        LA_ = lowHalves(Float4::load(low), Float4::load(low + 4));
        BA_ = lowHalves(Float4::load(band), Float4::load(band + 4));
        if constexpr (kStages == 4) {
            LB_ = lowHalves(Float4::load(low + 8), Float4::load(low + 12));
            BB_ = lowHalves(Float4::load(band + 8), Float4::load(band + 12));
        }
        alignas(16) const float lanes[4] = {allOnes(), allOnes(), 0.0f, 0.0f};
        cubicLanes_ = Float4::load(lanes);
    }

    void run(const PipelineIo& work) {
        if (seg_.frames <= 0 || seg_.count <= 0) return;
        int begin = 0;
        for (int j = 0; j < seg_.count; ++j) {
            const int end = begin + seg_.runs[j];
            const int edge = std::min(begin + kLag, end);
            const Coefficients now = coefficientsOf(j);
            if (j > 0 && seg_.runs[j - 1] >= kLag) {
                // Where a segment starts, the later stages still work in the previous one.
                const Coefficients before = coefficientsOf(j - 1);
                Float4 LA = LA_, BA = BA_, LB = LB_, BB = BB_, prevA = prevA_, prevB = prevB_;
                for (int t = begin; t < edge; ++t) {
                    step(work, t, blend(now, before, t - begin), Float4(gain_), LA, BA, LB, BB, prevA, prevB);
                }
                LA_ = LA, BA_ = BA, LB_ = LB, BB_ = BB, prevA_ = prevA, prevB_ = prevB;
            } else if (j == 0 && seg_.runs[0] >= kLag) {
                // The pipeline fills inside the first segment: stage s starts at step s.
                for (int t = 0; t < kLag; ++t) maskedStep(work, t, now, [t](int s) { return s <= t; });
            } else {
                for (int t = begin; t < edge; ++t) edgeStep(work, t, j, begin);
            }
            steadySteps(work, edge, end, now);
            begin = end;
        }
        const int lastBegin = begin - seg_.runs[seg_.count - 1];
        if (seg_.runs[seg_.count - 1] >= kLag) {
            // The pipeline drains inside the last segment: stage s ends at step frames - 1 + s.
            const Coefficients last = coefficientsOf(seg_.count - 1);
            for (int e = 0; e < kLag; ++e) maskedStep(work, seg_.frames + e, last, [e](int s) { return s > e; });
        } else {
            for (int t = seg_.frames; t < seg_.frames + kLag; ++t) edgeStep(work, t, seg_.count - 1, lastBegin);
        }
        storeState();
    }

private:
    void storeState() {
        const Float4 zero(0.0f);
        lowHalves(LA_, zero).store(low_);
        highHalves(LA_, zero).store(low_ + 4);
        lowHalves(BA_, zero).store(band_);
        highHalves(BA_, zero).store(band_ + 4);
        if constexpr (kStages == 4) {
            lowHalves(LB_, zero).store(low_ + 8);
            highHalves(LB_, zero).store(low_ + 12);
            lowHalves(BB_, zero).store(band_ + 8);
            highHalves(BB_, zero).store(band_ + 12);
        }
    }

    static float allOnes() {
        const std::uint32_t bits = 0xffffffffu;
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // The coefficients of vectors A and B; fB differs from f only where a segment starts.
    struct Coefficients {
        Float4 f, qA, c, fB, qB;
    };

    Coefficients coefficientsOf(int j) const {
        const size_t at = static_cast<size_t>(j) * 4;
        Coefficients k;
        const Float4 f = Float4::load(seg_.freq + at);
        k.f = lowHalves(f, f);
        k.fB = k.f;
        k.qA = lowHalves(Float4::load(seg_.damp + at), Float4::load(seg_.damp + seg_.dampStride + at));
        k.c = select(cubicLanes_, Float4::load(seg_.saturation + at), Float4(0.0f));  // stage 0 only
        if constexpr (kStages == 4) {
            k.qB = lowHalves(Float4::load(seg_.damp + 2 * seg_.dampStride + at),
                             Float4::load(seg_.damp + 3 * seg_.dampStride + at));
        }
        return k;
    }

    // Step `d` (< kLag) of a segment: stage s works in the new segment once d >= s.
    Coefficients blend(const Coefficients& now, const Coefficients& before, int d) const {
        const Float4 low = cubicLanes_;  // lanes 0/1
        Coefficients k;
        k.f = d >= 1 ? now.f : select(low, now.f, before.f);
        k.qA = d >= 1 ? now.qA : select(low, now.qA, before.qA);
        k.c = now.c;
        k.fB = d >= 2 ? select(low, now.f, before.f) : before.f;
        k.qB = d >= 2 ? select(low, now.qB, before.qB) : before.qB;
        return k;
    }

    // One step with every stage inside the block: stage 0 takes sample t, the last stage delivers
    // sample t - kLag.
    void step(const PipelineIo& work, int t, const Coefficients& k, Float4 gain, Float4& LA, Float4& BA, Float4& LB,
              Float4& BB, Float4& prevA, Float4& prevB) const {
        const Float4 zero(0.0f);
        const Float4 xA = lowHalves(gain * work.load(t), prevA);
        if constexpr (kStages == 4) {
            const Float4 xB = crossHalves(prevA, prevB);
            prevA = firstPairStep<kResponse>(xA, k.f, k.qA, k.c, LA, BA);
            prevB = stageStep<Float4, false, kResponse>(xB, k.fB, k.qB, zero, LB, BB, zero);
            work.store(t - kLag, prevB);
        } else {
            prevA = firstPairStep<kResponse>(xA, k.f, k.qA, k.c, LA, BA);
            work.store(t - kLag, prevA);
        }
    }

    // Steps [from, to) of one segment, where every stage works inside it.
    void steadySteps(const PipelineIo& work, int from, int to, const Coefficients& coefficients) {
        // Locals throughout: the output stores could otherwise alias the members and force reloads.
        const Coefficients k = coefficients;
        const PipelineIo io = work;
        const Float4 gain(gain_);
        Float4 LA = LA_, BA = BA_, LB = LB_, BB = BB_, prevA = prevA_, prevB = prevB_;
        for (int t = from; t < to; ++t) step(io, t, k, gain, LA, BA, LB, BB, prevA, prevB);
        LA_ = LA, BA_ = BA, LB_ = LB, BB_ = BB, prevA_ = prevA, prevB_ = prevB;
    }

    // The segment holding sample n (< frames), searched back from segment j starting at `begin`.
    int segmentOf(int n, int j, int begin) const {
        while (n < begin && j > 0) begin -= seg_.runs[--j];
        return j;
    }

    // A step where the stages work in different segments or partly outside the block: each lane's
    // coefficients come from the segment of the sample its stage works on.
    void edgeStep(const PipelineIo& work, int t, int j, int begin) {
        alignas(16) float f[2][4], q[2][4], c[4] = {};
        for (int s = 0; s < kStages; ++s) {
            const int n = std::clamp(t - s, 0, seg_.frames - 1);
            const int segment = segmentOf(n, j, begin);
            const int pair = s / 2;
            for (int m = 0; m < 2; ++m) {
                const int lane = (s % 2) * 2 + m;
                const size_t at = static_cast<size_t>(segment) * 4 + m;
                f[pair][lane] = seg_.freq[at];
                q[pair][lane] = seg_.damp[static_cast<size_t>(s) * seg_.dampStride + at];
                if (s == 0) c[lane] = seg_.saturation[at];
            }
        }
        Coefficients k;
        k.f = Float4::load(f[0]);
        k.qA = Float4::load(q[0]);
        k.c = Float4::load(c);
        k.fB = Float4::load(f[1]);
        k.qB = Float4::load(q[1]);
        maskedStep(work, t, k, [t, this](int s) { return t - s >= 0 && t - s < seg_.frames; });
    }

    // A step in which only the stages that `works(stage)` names advance; the others keep their
    // state. Stage s works on sample t - s; samples past the block's end enter as 0.
    template <class Works>
    void maskedStep(const PipelineIo& work, int t, const Coefficients& k, Works works) {
        alignas(16) float valid[2][4];
        for (int s = 0; s < kStages; ++s) valid[s / 2][(s % 2) * 2] = valid[s / 2][(s % 2) * 2 + 1] = works(s) ? allOnes() : 0.0f;
        const Float4 zero(0.0f);
        const Float4 in = t < seg_.frames ? Float4(gain_) * work.load(t) : zero;
        const Float4 xA = lowHalves(in, prevA_);
        const Float4 validA = Float4::load(valid[0]);
        Float4 L = LA_, B = BA_;
        const Float4 yA = firstPairStep<kResponse>(xA, k.f, k.qA, k.c, L, B);
        LA_ = select(validA, L, LA_);
        BA_ = select(validA, B, BA_);
        Float4 last = yA;
        if constexpr (kStages == 4) {
            const Float4 xB = crossHalves(prevA_, prevB_);
            const Float4 validB = Float4::load(valid[1]);
            L = LB_, B = BB_;
            prevB_ = stageStep<Float4, false, kResponse>(xB, k.fB, k.qB, zero, L, B, zero);
            LB_ = select(validB, L, LB_);
            BB_ = select(validB, B, BB_);
            last = prevB_;
        }
        prevA_ = yA;
        const int out = t - kLag;
        if (out >= 0 && out < seg_.frames) work.store(out, last);
    }

    const PipelineSegments& seg_;
    float gain_;
    float* low_;
    float* band_;
    Float4 LA_, BA_, LB_, BB_;
    Float4 prevA_, prevB_;  // the previous step's outputs
    Float4 cubicLanes_;
};

template <int kStages>
void runPipelinedFor(int response, const PipelineSegments& segments, const PipelineIo& work, float gain, float* low,
                     float* band) {
    if (response == GenericFilter::LowPass) {
        PipelinedCascade<kStages, GenericFilter::LowPass>(segments, gain, low, band).run(work);
    } else if (response == GenericFilter::HighPass) {
        PipelinedCascade<kStages, GenericFilter::HighPass>(segments, gain, low, band).run(work);
    } else {
        PipelinedCascade<kStages, GenericFilter::BandPass>(segments, gain, low, band).run(work);
    }
}

}  // namespace

void runPipelined(int stages, int response, const PipelineSegments& segments, const PipelineIo& work, float gain,
                  float* low, float* band) {
    if (stages == 2) {
        runPipelinedFor<2>(response, segments, work, gain, low, band);
    } else {
        runPipelinedFor<4>(response, segments, work, gain, low, band);
    }
}

}  // namespace state_variable
