#include "filters/StateVariableFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "filters/PipelinedCascade.h"
#include "filters/StateVariableStep.h"
#include "platform/Tolerance.h"

using wave::Float4;
using namespace state_variable;

namespace {

constexpr float kEpsilon = 1e-24f;  // keeps the one-filter states away from denormals

// The cascade over one segment: stage 0 takes gain·input and the cubic limit; later stages take
// the previous stage's output.
template <class T, int kStages, int kResponse>
void runSegment(float* data, int begin, int end, T f, const T* q, T c, T gain, float* low, float* band, T eps) {
    T L[kStages], B[kStages];
    for (int s = 0; s < kStages; ++s) {
        L[s] = Lanes<T>::state(low + s * StateVariableFilter::kLanes);
        B[s] = Lanes<T>::state(band + s * StateVariableFilter::kLanes);
    }
    for (int i = begin; i < end; ++i) {
        T v = stageStep<T, true, kResponse>(gain * Lanes<T>::load(data, i), f, q[0], c, L[0], B[0], eps);
        for (int s = 1; s < kStages; ++s) v = stageStep<T, false, kResponse>(v, f, q[s], T(0.0f), L[s], B[s], eps);
        Lanes<T>::store(data, i, v);
    }
    for (int s = 0; s < kStages; ++s) {
        Lanes<T>::setState(low + s * StateVariableFilter::kLanes, L[s]);
        Lanes<T>::setState(band + s * StateVariableFilter::kLanes, B[s]);
    }
}

template <class T, int kStages>
void runSegmentFor(int response, float* data, int begin, int end, T f, const T* q, T c, T gain, float* low,
                   float* band, T eps) {
    if (response == GenericFilter::LowPass) {
        runSegment<T, kStages, GenericFilter::LowPass>(data, begin, end, f, q, c, gain, low, band, eps);
    } else if (response == GenericFilter::HighPass) {
        runSegment<T, kStages, GenericFilter::HighPass>(data, begin, end, f, q, c, gain, low, band, eps);
    } else {
        runSegment<T, kStages, GenericFilter::BandPass>(data, begin, end, f, q, c, gain, low, band, eps);
    }
}

template <class T>
void runCascade(int stages, int response, float* data, int begin, int end, T f, const T* q, T c, T gain,
                float* low, float* band, T eps) {
    if (stages == 1) {
        runSegmentFor<T, 1>(response, data, begin, end, f, q, c, gain, low, band, eps);
    } else if (stages == 2) {
        runSegmentFor<T, 2>(response, data, begin, end, f, q, c, gain, low, band, eps);
    } else {
        runSegmentFor<T, 4>(response, data, begin, end, f, q, c, gain, low, band, eps);
    }
}

float sanitizedGain(float g) { return std::isfinite(g) && g > 0.0f ? g : 1.0f; }

}  // namespace

// ---- table functions ----

double StateVariableFilter::ClipFunction::evaluate(double x) const {
    if (x < 0.0) return std::atan(x);
    double a = std::fabs(static_cast<double>(shape_));
    if (a < 1e-9) return x;  // the limit of atan(a·x)/a
    return std::atan(a * x) / a;
}

double StateVariableFilter::FreqFunction::evaluate(double v) const {
    float ratio = static_cast<float>(std::exp(0.6931471805599453 * v));
    ratio = std::min(ratio, 1.0f);
    return std::min(2.0 * std::sin(1.0471975511965976 * ratio), 0.95);
}

double StateVariableFilter::DampFunction::evaluate(double x) const {
    if (x <= 0.0) return 2.0;
    return 2.0 * (1.0 - std::sqrt(std::sqrt(x)));
}

double StateVariableFilter::DampLimitFunction::evaluate(double f) const {
    if (f <= 0.01) return 2.0;
    return std::min(2.0 / f - f, 2.0);
}

StateVariableFilter::ClipTable::ClipTable(float shape) : shape_(shape) { rebuild(); }

void StateVariableFilter::ClipTable::setShape(float shape) {
    if (std::fabs(shape - shape_) <= wave::kTolerance) return;
    shape_ = shape;
    rebuild();
}

void StateVariableFilter::ClipTable::rebuild() {
    table_.build(kSize, ClipFunction(shape_), -kRange, kRange);
    scale_ = table_.getScale();
    fracOffset_ = table_.getFractionalOffset();
    intOffset_ = table_.getIntegerOffset();
    lowest_ = static_cast<float>(intOffset_);
    highest_ = static_cast<float>(intOffset_ + table_.size() - 1);
    FunctionTable::RoundDownScope roundDown;  // read exactly as the clip stage will
    // The slopes with the rounding of the table's own interpolation, which runs in this mode too.
    const std::vector<float>& points = table_.data();
    pairs_.resize(2 * static_cast<size_t>(table_.size()));
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        pairs_[2 * i] = points[i];
        pairs_[2 * i + 1] = points[i + 1] - points[i];
    }
    zero_ = table_.read(Float4(0.0f)).lane(0);
}

const FunctionTable& StateVariableFilter::freqTable() {
    static const FunctionTable table(8192, FreqFunction(), -30.0f, 20.0f);
    return table;
}

const FunctionTable& StateVariableFilter::dampTable() {
    static const FunctionTable table(4096, DampFunction(), 0.0f, 5.0f);
    return table;
}

const FunctionTable& StateVariableFilter::dampLimitTable() {
    static const FunctionTable table(4906, DampLimitFunction(), 0.0f, 1.0f);
    return table;
}

const StateVariableFilter::ClipTable& StateVariableFilter::defaultClipTable() {
    static const ClipTable table(1.0f);
    return table;
}

// ---- construction ----

void StateVariableFilter::AlignedFree::operator()(float* p) const { std::free(p); }

StateVariableFilter::FloatArray StateVariableFilter::allocate(size_t count) {
    size_t bytes = ((count * sizeof(float) + 15) / 16) * 16;
    if (bytes == 0) bytes = 16;
    auto* p = static_cast<float*>(std::aligned_alloc(16, bytes));
    if (!p) throw std::bad_alloc();
    std::memset(p, 0, bytes);
    return FloatArray(p);
}

StateVariableFilter::StateVariableFilter(wave::Environment& environment, const ClipTable* clipTable)
    : environment_(environment),
      blockSize_(environment.getBlockSize()),
      paddedSize_((environment.getBlockSize() + 3) & ~3),
      clipTable_(clipTable ? clipTable : &defaultClipTable()),
      // Build the shared tables now rather than on the audio thread.
      freqTable_(&freqTable()),
      dampTable_(&dampTable()),
      dampLimitTable_(&dampLimitTable()) {
    defaultClipTable();

    size_t lanes = static_cast<size_t>(kLanes) * blockSize_;
    freqCoef_ = allocate(lanes);
    damp_ = allocate(lanes * kMaxStages);
    saturation_ = allocate(lanes);
    drive_ = allocate(lanes);
    post_ = allocate(lanes);
    runs_ = std::make_unique<int[]>(static_cast<size_t>(blockSize_) + 1);
    for (auto& lane : laneBuffers_) lane = allocate(static_cast<size_t>(paddedSize_));
    interleaved_ = allocate(static_cast<size_t>(kLanes) * paddedSize_);
    for (int i = 0; i < kLanes; ++i) {
        drive_[i] = 0.1f;
        post_[i] = 10.0f;
    }
    reset();
}

StateVariableFilter::~StateVariableFilter() = default;

void StateVariableFilter::reset() {
    std::fill(std::begin(low_), std::end(low_), 0.0f);
    std::fill(std::begin(band_), std::end(band_), 0.0f);
    nextTime_ = -1;
}

bool StateVariableFilter::stateIsFinite() const {
    for (int i = 0; i < kMaxStages * kLanes; ++i) {
        if (!std::isfinite(low_[i]) || !std::isfinite(band_[i])) return false;
    }
    return true;
}

void StateVariableFilter::designValues(float, float peak, float& resonanceIn, float& saturation, float& drive) {
    resonanceIn = std::min(peak, 0.999f);
    saturation = 0.0f;
    drive = 0.1f;
}

float StateVariableFilter::inputGain() { return 1.0f; }

void StateVariableFilter::updateSampleRate() {
    float rate = environment_.getSampleRate();
    if (rate == rateForLog2_) return;
    rateForLog2_ = rate;
    log2SampleRate_ = std::log(rate) / 0.6931472f;
}

// ---- coefficients ----

void StateVariableFilter::computeCoefficients(int segment, int lane, float freq, float peak, int stages) {
    if (!(peak >= 0.0f)) peak = 0.0f;  // also NaN
    if (peak > 1.0f) peak = 1.0f;
    float resonanceIn = 0.0f, cubic = 0.0f, drive = 0.1f;
    designValues(freq, peak, resonanceIn, cubic, drive);
    if (!std::isfinite(resonanceIn)) resonanceIn = 0.0f;
    if (!std::isfinite(cubic)) cubic = 0.0f;
    if (!(drive >= 0.1f)) drive = 0.1f;
    if (drive > 1000.0f) drive = 1000.0f;

    size_t at = static_cast<size_t>(segment) * kLanes + lane;
    float f = freqTable_->read(freq - log2SampleRate_);
    const Float4 limit(dampLimitTable_->read(f));
    // The first stage's damping follows the resonance; the later stages' take a small fixed share of
    // the peak. One read for the four, each limited to what the frequency allows.
    const Float4 resonances(resonanceIn, static_cast<float>(3) * 0.035f * peak, static_cast<float>(2) * 0.035f * peak,
                            static_cast<float>(1) * 0.035f * peak);
    alignas(16) float q[kMaxStages];
    min(dampTable_->readEach(resonances), limit).store(q);  // q >= limit ? limit : q (q is never NaN)
    for (int k = 0; k < stages; ++k) damping(k, segment, lane) = q[k];
    freqCoef_[at] = f;
    saturation_[at] = cubic;
    drive_[at] = drive;
    post_[at] = 1.0f / (gain_ * drive);
}

// ---- clip stage ----

void StateVariableFilter::clip(float* data, int count, int lane) const {
    const ClipTable::Reader read(*clipTable_);
    const Float4 zero(clipTable_->zero());
    auto apply = [&](float* p, Float4 drive, Float4 post) {
        ((read(Float4::loadUnaligned(p) * drive) - zero) * post).storeUnaligned(p);  // post·clip(drive·y)
    };
    int segment = 0;
    int segmentEnd = runs_[0];
    // The drives of samples j..j+3 where a segment starts inside the group (segments follow the
    // clock, groups the block).
    auto straddling = [&](float* p, int j) {
        alignas(16) float drives[4];
        alignas(16) float posts[4];
        for (int k = 0, s = segment, end = segmentEnd; k < 4; ++k) {
            while (j + k >= end && s + 1 < segmentCount_) end += runs_[++s];
            drives[k] = drive_[s * kLanes + lane];
            posts[k] = post_[s * kLanes + lane];
        }
        apply(p, Float4::load(drives), Float4::load(posts));
    };
    const int whole = count & ~3;
    int j = 0;
    while (j < whole) {
        while (j >= segmentEnd && segment + 1 < segmentCount_) segmentEnd += runs_[++segment];
        const bool last = segment + 1 >= segmentCount_;
        // The groups that lie wholly inside this segment share its drive.
        const int runEnd = last ? whole : std::min(whole, j + ((segmentEnd - j) & ~3));
        const Float4 drive(drive_[segment * kLanes + lane]);
        const Float4 post(post_[segment * kLanes + lane]);
        for (; j < runEnd; j += 4) apply(data + j, drive, post);
        if (j < whole && j < segmentEnd && !last) {
            straddling(data + j, j);
            j += 4;
        }
    }
    if (whole < count) {
        // The last, partial group works on a copy so that nothing past the block is touched.
        alignas(16) float rest[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        std::memcpy(rest, data + whole, sizeof(float) * static_cast<size_t>(count - whole));
        while (whole >= segmentEnd && segment + 1 < segmentCount_) segmentEnd += runs_[++segment];
        if (whole + 4 > segmentEnd && segment + 1 < segmentCount_) {
            straddling(rest, whole);
        } else {
            apply(rest, Float4(drive_[segment * kLanes + lane]), Float4(post_[segment * kLanes + lane]));
        }
        std::memcpy(data + whole, rest, sizeof(float) * static_cast<size_t>(count - whole));
    }
}

// ---- one filter ----

void StateVariableFilter::process(const float* in, float* out, const float* freq, const float* peak,
                                  const float* factor, int count, bool constant) {
    if (!stateIsFinite()) reset();
    updateSampleRate();
    gain_ = sanitizedGain(inputGain());
    // Longer calls than the work arrays hold run in block-sized pieces.
    const std::int64_t time = environment_.getCurrentTime();
    for (int done = 0; done < count; done += blockSize_) {
        int n = std::min(blockSize_, count - done);
        processBlock(in + done, out + done, freq + done, peak + done, factor ? factor + done : nullptr, n, constant,
                     time + done);
    }
}

bool StateVariableFilter::continuesSegment(std::int64_t time, int activeLanes) const {
    return time == nextTime_ && activeLanes == segmentLanes_;
}

void StateVariableFilter::processBlock(const float* in, float* out, const float* freq, const float* peak,
                                       const float* factor, int count, bool constant, std::int64_t time) {
    int stages = stagesForSlope(slope);
    int segment = 0;
    // The first segment may go on with the values the previous call's last segment started from.
    bool resume = continuesSegment(time, 1) && !CoefficientSegments::startsAt(time, freq[0], segmentFreq_[0]);
    for (int j = 0; j < count; ++segment) {
        int start = j;
        if (!resume) {
            segmentFreq_[0] = freq[j];
            segmentPeak_[0] = factor ? peak[j] * factor[j] : peak[j];
        }
        const float h = segmentFreq_[0];
        computeCoefficients(segment, 0, h, segmentPeak_[0], stages);
        if (constant && !factor && !resume) {
            j = count;  // every further segment of this call would get the same coefficients
        } else {
            j = CoefficientSegments::nextStart(freq, j, count, time, h);
        }
        runs_[segment] = j - start;
        resume = false;
    }
    segmentCount_ = segment;
    nextTime_ = time + count;
    segmentLanes_ = 1;

    if (out != in) std::memcpy(out, in, sizeof(float) * static_cast<size_t>(count));
    int begin = 0;
    for (int s = 0; s < segmentCount_; ++s) {
        size_t at = static_cast<size_t>(s) * kLanes;
        float q[kMaxStages];
        for (int k = 0; k < stages; ++k) q[k] = damping(k, s, 0);
        runCascade<float>(stages, response, out, begin, begin + runs_[s], freqCoef_[at], q, saturation_[at], gain_,
                          low_, band_, kEpsilon);
        begin += runs_[s];
    }
    FunctionTable::RoundDownScope roundDown;
    clip(out, count, 0);
}

// ---- four filters ----

void StateVariableFilter::processMembers(int count) {
    count = std::clamp(count, 0, blockSize_);
    const int memberCount = std::min(static_cast<int>(members().size()), kLanes);
    GenericFilter::Streams streams[kLanes];
    bool anyActive = false;
    bool oneSegment = true;
    const float* silence = environment_.silence().data();
    for (int lane = 0; lane < kLanes; ++lane) {
        if (lane < memberCount) streams[lane] = members()[lane]->fetchStreams(count);
        GenericFilter::Streams& s = streams[lane];
        if (!s.active) {
            s.frequency = silence;
            s.peak = silence;
            s.factor = nullptr;
            s.constant = true;
        }
        anyActive = anyActive || s.active;
        // A constant mute factor gives every segment of the block the same coefficients.
        oneSegment = oneSegment && s.constant && (!s.factor || s.factorConstant);
    }
    if (!anyActive) {
        for (int lane = 0; lane < memberCount; ++lane) members()[lane]->passThrough();
        return;
    }

    if (!stateIsFinite()) reset();
    updateSampleRate();
    gain_ = sanitizedGain(inputGain());
    const int stages = stagesForSlope(slope);

    // Segments are shared by the lanes: a new one starts where any lane's starts.
    const std::int64_t time = environment_.getCurrentTime();
    auto startsAt = [&](int j) {
        bool starts = false;
        // Lanes without a member hold frequency 0 and start only on the clock, as lane 0 does.
        for (int lane = 0; lane < memberCount; ++lane) {
            starts = starts || CoefficientSegments::startsAt(time + j, streams[lane].frequency[j], segmentFreq_[lane]);
        }
        return starts;
    };
    int activeLanes = 0;
    for (int lane = 0; lane < kLanes; ++lane) activeLanes |= streams[lane].active ? 2 << lane : 0;
    // The first segment may go on with the values the previous call's last segment started from.
    bool resume = continuesSegment(time, activeLanes) && !startsAt(0);
    int segment = 0;
    for (int j = 0; j < count; ++segment) {
        int start = j;
        for (int lane = 0; lane < kLanes; ++lane) {
            const GenericFilter::Streams& s = streams[lane];
            if (!resume) {
                segmentFreq_[lane] = s.frequency[j];
                segmentPeak_[lane] = s.factor ? s.peak[j] * s.factor[j] : s.peak[j];
            }
            if (!s.active) continue;
            computeCoefficients(segment, lane, segmentFreq_[lane], segmentPeak_[lane], stages);
        }
        if (oneSegment && !resume) {
            j = count;  // every further segment of this call would get the same coefficients
        } else {
            int end = count;
            for (int lane = 0; lane < memberCount; ++lane) {
                end = CoefficientSegments::nextStart(streams[lane].frequency, j, end, time, segmentFreq_[lane]);
            }
            j = end;
        }
        runs_[segment] = j - start;
        resume = false;
    }
    segmentCount_ = segment;
    nextTime_ = time + count;
    segmentLanes_ = activeLanes;

    // The pipelined cascade works on lanes 0/1 only and writes the lane buffers itself.
    const bool pipelined = memberCount <= 2 && stages >= 2;
    auto inputOf = [&](int lane) { return streams[lane].active ? streams[lane].input : silence; };
    float* work = interleaved_.get();
    if (pipelined) {
        const PipelineSegments segments{runs_.get(),     segmentCount_, count, freqCoef_.get(), damp_.get(),
                                        static_cast<size_t>(blockSize_) * kLanes, saturation_.get()};
        const PipelineIo io{{inputOf(0), inputOf(1)}, {laneBuffers_[0].get(), laneBuffers_[1].get()}};
        runPipelined(stages, response, segments, io, gain_, low_, band_);
    } else {
        for (int lane = 0; lane < kLanes; ++lane) {
            const float* in = inputOf(lane);
            for (int i = 0; i < count; ++i) work[4 * i + lane] = in[i];
        }
        int begin = 0;
        for (int s = 0; s < segmentCount_; ++s) {
            size_t at = static_cast<size_t>(s) * kLanes;
            Float4 q[kMaxStages];
            for (int k = 0; k < stages; ++k) q[k] = Float4::load(&damping(k, s, 0));
            runCascade<Float4>(stages, response, work, begin, begin + runs_[s], Float4::load(freqCoef_.get() + at), q,
                               Float4::load(saturation_.get() + at), Float4(gain_), low_, band_, Float4(0.0f));
            begin += runs_[s];
        }
    }

    {
        FunctionTable::RoundDownScope roundDown;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (!streams[lane].active) continue;
            float* out = laneBuffers_[lane].get();
            if (!pipelined) {
                for (int i = 0; i < count; ++i) out[i] = work[4 * i + lane];
            }
            clip(out, count, lane);
        }
    }
    for (int lane = 0; lane < memberCount; ++lane) {
        if (streams[lane].active) {
            members()[lane]->deliver(laneBuffers_[lane].get(), count);
        } else {
            members()[lane]->passThrough();
        }
    }
}
