#pragma once
#include <cstdint>
#include <vector>

#include "engine/wave/Float4.h"

// A function of one variable, sampled once into a FunctionTable.
class FunctionTableFunction {
public:
    virtual ~FunctionTableFunction() = default;
    virtual double evaluate(double x) const = 0;
};

// A function sampled on a uniform grid of a power-of-two number of points over [min, max] and read
// with linear interpolation. Arguments outside the range read the nearest end point.
//
// Two read forms: read(float) for coefficients, and read(Float4) for sample loops. The vector form
// subtracts only the fractional part of the grid offset before taking the floor and adds the
// integer part to the index, which keeps the interpolation fraction precise far from zero. It takes
// the floor by converting with the current rounding mode, so it must run inside a RoundDownScope.
//
// Building allocates; reading never does.
class FunctionTable {
public:
    // Switches the floating-point rounding mode to round-down for its lifetime and restores the
    // previous mode on every exit.
    class RoundDownScope {
    public:
        RoundDownScope();
        ~RoundDownScope();
        RoundDownScope(const RoundDownScope&) = delete;
        RoundDownScope& operator=(const RoundDownScope&) = delete;

    private:
        int previous_;
    };

    FunctionTable() = default;
    // Samples `function` over the range between end0 and end1 (either order) with at least
    // `requestedSize` points, rounded up to a power of two (at least 2).
    FunctionTable(int requestedSize, const FunctionTableFunction& function, float end0, float end1);

    void build(int requestedSize, const FunctionTableFunction& function, float end0, float end1);

    float read(float v) const {
        if (!(v >= min_)) v = min_;  // also catches NaN
        if (v > max_) v = max_;
        float x = v * inv_ - static_cast<float>(offset_);
        int i = static_cast<int>(x) & mask_;
        const float* d = data_.data();
        return d[i] + (d[i + 1] - d[i]) * (x - static_cast<float>(i));
    }

    wave::Float4 read(wave::Float4 v) const;
    // Four reads of read(float) at once, each lane with the same operations in the same order, so
    // the same values (a signed zero at a lower end of exactly zero may come out as the other zero
    // argument; the result differs only if the first point is a zero itself). Any rounding mode.
    wave::Float4 readEach(wave::Float4 v) const {
        v = min(max(v, wave::Float4(min_)), wave::Float4(max_));  // NaN reads the lower end
        const wave::Float4 x = v * wave::Float4(inv_) - wave::Float4(static_cast<float>(offset_));
        alignas(16) std::int32_t at[4];
        x.storeTruncated(at);
        for (std::int32_t& i : at) i &= mask_;
        const float* d = data_.data();
        const wave::Float4 a = wave::Float4::loadPairs(d + at[0], d + at[1]);  // d[i], d[i + 1] per lane
        const wave::Float4 b = wave::Float4::loadPairs(d + at[2], d + at[3]);
        const wave::Float4 lower = evenLanes(a, b), upper = oddLanes(a, b);
        const wave::Float4 i(static_cast<float>(at[0]), static_cast<float>(at[1]), static_cast<float>(at[2]),
                             static_cast<float>(at[3]));
        return lower + (upper - lower) * (x - i);
    }

    int size() const { return size_; }
    float getMin() const { return min_; }
    float getMax() const { return max_; }
    // The grid as the vector read uses it: position = v * getScale() - getFractionalOffset(), limited
    // to getIntegerOffset() .. getIntegerOffset() + size() - 1; its floor minus the integer offset
    // is the index of the lower point.
    float getScale() const { return inv_; }
    float getFractionalOffset() const { return fracOffset_; }
    int getIntegerOffset() const { return intOffset_; }
    // The sampled points; one more than size(), the last repeating the end value.
    const std::vector<float>& data() const { return data_; }

private:
    float inv_ = 0.0f;
    float fracOffset_ = 0.0f;
    int intOffset_ = 0;
    float max_ = 0.0f;
    float min_ = 0.0f;
    double offset_ = 0.0;
    int size_ = 0;
    int mask_ = 0;
    std::vector<float> data_ = std::vector<float>(2, 0.0f);
};
