#include "filters/StateVariableFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Tolerance.h"

using wave::Float4;

namespace {

constexpr float kEpsilon = 1e-24f;  // keeps the one-filter states away from denormals

inline float clampValue(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }
inline Float4 clampValue(Float4 v, float lo, float hi) { return clamp(v, Float4(lo), Float4(hi)); }

// Sample access for the two paths: plain floats (one filter) or interleaved lanes (four filters).
template <class T>
struct Lanes;
template <>
struct Lanes<float> {
    static float load(const float* p, int i) { return p[i]; }
    static void store(float* p, int i, float v) { p[i] = v; }
    static float state(const float* p) { return p[0]; }
    static void setState(float* p, float v) { p[0] = v; }
};
template <>
struct Lanes<Float4> {
    static Float4 load(const float* p, int i) { return Float4::load(p + 4 * i); }
    static void store(float* p, int i, Float4 v) { v.store(p + 4 * i); }
    static Float4 state(const float* p) { return Float4::load(p); }
    static void setState(float* p, Float4 v) { v.store(p); }
};

// One stage for one input sample x, iterated three times with the input held. f is the frequency
// coefficient, q the damping, c the cubic limit of the band state (first stage only), L and B the
// low and band states. Every c·B³ term uses B from before its update.
template <class T, bool kCubic, int kResponse>
inline T stageStep(T x, T f, T q, T c, T& L, T& B, T eps) {
    T b0 = B;
    L = L + f * (B - eps);                        // L += f·(B - ε)
    B = B + f * (x - q * B - L);                  // B += f·(x - q·B - L) - c·B³
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;                                // L += f·B
    B = B + f * (x - q * B - L);                  // B += f·(x - q·B - L) - c·B³
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    b0 = B;
    L = L + f * B;                                // L += f·B
    T H = x - q * B - L;                          // H = x - q·B - L
    B = B + f * H;                                // B += f·H - c·B³ + ε
    if constexpr (kCubic) B = B - c * b0 * b0 * b0;
    B = B + eps;
    B = clampValue(B, -1.0f, 1.0f);
    L = clampValue(L, -10.0f, 10.0f);
    if constexpr (kResponse == GenericFilter::LowPass) return L;
    else if constexpr (kResponse == GenericFilter::HighPass) return H;
    else return B;
}

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
    FunctionTable::RoundDownScope roundDown;  // read exactly as the clip stage will
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
      clipTable_(clipTable ? clipTable : &defaultClipTable()) {
    // Build the shared tables now rather than on the audio thread.
    freqTable();
    dampTable();
    dampLimitTable();
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
    float f = freqTable().read(freq - log2SampleRate_);
    float limit = dampLimitTable().read(f);
    float q = dampTable().read(resonanceIn);
    damping(0, segment, lane) = q >= limit ? limit : q;
    for (int k = 1; k < stages; ++k) {
        q = dampTable().read(static_cast<float>(4 - k) * 0.035f * peak);
        damping(k, segment, lane) = q >= limit ? limit : q;
    }
    freqCoef_[at] = f;
    saturation_[at] = cubic;
    drive_[at] = drive;
    post_[at] = 1.0f / (gain_ * drive);
}

// ---- clip stage ----

void StateVariableFilter::clip(float* data, int count, int lane) const {
    const FunctionTable& table = clipTable_->table();
    const Float4 zero(clipTable_->zero());
    int segment = 0;
    int segmentEnd = runs_[0];
    auto group = [&](float* p) {
        Float4 drive(drive_[segment * kLanes + lane]);
        Float4 post(post_[segment * kLanes + lane]);
        ((table.read(Float4::loadUnaligned(p) * drive) - zero) * post).storeUnaligned(p);  // post·clip(drive·y)
    };
    int whole = count & ~3;
    for (int j = 0; j < whole; j += 4) {
        while (j >= segmentEnd && segment + 1 < segmentCount_) segmentEnd += runs_[++segment];
        group(data + j);
    }
    if (whole < count) {
        // The last, partial group works on a copy so that nothing past the block is touched.
        while (whole >= segmentEnd && segment + 1 < segmentCount_) segmentEnd += runs_[++segment];
        alignas(16) float rest[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        std::memcpy(rest, data + whole, sizeof(float) * static_cast<size_t>(count - whole));
        group(rest);
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
    for (int done = 0; done < count; done += blockSize_) {
        int n = std::min(blockSize_, count - done);
        processBlock(in + done, out + done, freq + done, peak + done, factor ? factor + done : nullptr, n, constant);
    }
}

void StateVariableFilter::processBlock(const float* in, float* out, const float* freq, const float* peak,
                                       const float* factor, int count, bool constant) {
    int stages = stagesForSlope(slope);
    int segment = 0;
    for (int j = 0; j < count; ++segment) {
        int start = j;
        float h = freq[j];
        computeCoefficients(segment, 0, h, factor ? peak[j] * factor[j] : peak[j], stages);
        if (constant && !factor) {
            j = count;
        } else {
            for (++j; j < count && (j % kSegmentLength) != 0 && std::fabs(freq[j] - h) <= kSegmentMove; ++j) {
            }
        }
        runs_[segment] = j - start;
    }
    segmentCount_ = segment;

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
        oneSegment = oneSegment && s.constant && !s.factor;
    }
    if (!anyActive) {
        for (int lane = 0; lane < memberCount; ++lane) members()[lane]->passThrough();
        return;
    }

    if (!stateIsFinite()) reset();
    updateSampleRate();
    gain_ = sanitizedGain(inputGain());
    const int stages = stagesForSlope(slope);

    // Segments: a new one every 32 samples or when any active lane moved by more than 0.1 octave.
    int segment = 0;
    for (int j = 0; j < count; ++segment) {
        int start = j;
        float h[kLanes];
        for (int lane = 0; lane < kLanes; ++lane) {
            const GenericFilter::Streams& s = streams[lane];
            h[lane] = s.frequency[j];
            if (!s.active) continue;
            computeCoefficients(segment, lane, h[lane], s.factor ? s.peak[j] * s.factor[j] : s.peak[j], stages);
        }
        if (oneSegment) {
            j = count;
        } else {
            for (++j; j < count && (j % kSegmentLength) != 0; ++j) {
                bool moved = false;
                for (int lane = 0; lane < kLanes; ++lane) {
                    moved = moved || std::fabs(streams[lane].frequency[j] - h[lane]) > kSegmentMove;
                }
                if (moved) break;
            }
        }
        runs_[segment] = j - start;
    }
    segmentCount_ = segment;

    float* work = interleaved_.get();
    for (int lane = 0; lane < kLanes; ++lane) {
        const float* in = streams[lane].active ? streams[lane].input : silence;
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

    {
        FunctionTable::RoundDownScope roundDown;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (!streams[lane].active) continue;
            float* out = laneBuffers_[lane].get();
            for (int i = 0; i < count; ++i) out[i] = work[4 * i + lane];
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
