#include "engine/wave/FunctionTable.h"

#include <cfenv>
#include <cmath>

using wave::Float4;

FunctionTable::RoundDownScope::RoundDownScope() : previous_(std::fegetround()) { std::fesetround(FE_DOWNWARD); }

FunctionTable::RoundDownScope::~RoundDownScope() { std::fesetround(previous_); }

FunctionTable::FunctionTable(int requestedSize, const FunctionTableFunction& function, float end0, float end1) {
    build(requestedSize, function, end0, end1);
}

void FunctionTable::build(int requestedSize, const FunctionTableFunction& function, float end0, float end1) {
    int size = 2;
    if (requestedSize >= 3) {
        while (size < requestedSize) size *= 2;
    }
    min_ = end0 < end1 ? end0 : end1;
    max_ = end0 < end1 ? end1 : end0;
    float step = (max_ - min_) / static_cast<float>(size - 1);
    inv_ = step != 0.0f ? 1.0f / step : 0.0f;

    data_.assign(static_cast<size_t>(size) + 1, 0.0f);
    data_[0] = static_cast<float>(function.evaluate(min_));
    double x = min_;
    for (int i = 1; i <= size - 2; ++i) {
        x += static_cast<double>(step);
        data_[i] = static_cast<float>(function.evaluate(x));
    }
    data_[size - 1] = static_cast<float>(function.evaluate(max_));
    data_[size] = data_[size - 1];

    float range = max_ - min_;
    offset_ = range != 0.0f ? static_cast<float>(static_cast<float>(size - 1) * min_ / range) : 0.0f;
    intOffset_ = static_cast<int>(offset_);
    fracOffset_ = static_cast<float>(offset_ - intOffset_);
    size_ = size;
    mask_ = size - 1;
}

Float4 FunctionTable::read(Float4 v) const {
    // Position plus the integer offset; limited to the grid so that every index lies in 0..size-1.
    Float4 p = v * Float4(inv_) - Float4(fracOffset_);
    p = clamp(p, Float4(static_cast<float>(intOffset_)), Float4(static_cast<float>(intOffset_ + size_ - 1)));
    // Conversion with the current rounding mode: a floor under RoundDownScope.
    alignas(16) int q[4];
#if KESTRUM_FLOAT4_SSE2
    __m128i qi = _mm_cvtps_epi32(p.v);
    _mm_store_si128(reinterpret_cast<__m128i*>(q), qi);
    Float4 fraction = p - Float4(_mm_cvtepi32_ps(qi));
#else
    for (int k = 0; k < 4; ++k) q[k] = static_cast<int>(std::lrintf(p.lane(k)));
    Float4 fraction = p - Float4(static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2]),
                                 static_cast<float>(q[3]));
#endif
    alignas(16) float lower[4];
    alignas(16) float upper[4];
    const float* d = data_.data();
    for (int k = 0; k < 4; ++k) {
        int i = (q[k] - intOffset_) & mask_;
        lower[k] = d[i];
        upper[k] = d[i + 1];
    }
    Float4 a = Float4::load(lower);
    return a + (Float4::load(upper) - a) * fraction;
}
