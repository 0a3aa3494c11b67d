#include "modulation/LevelDecibels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/wave/Float4.h"

namespace level_decibels {

namespace {

constexpr float kAudible = 1e-10f;      // below this (and for NaN) the level is the floor
constexpr float kFloorDb = -180.0f;
constexpr float kRangeDb = 60.0f;
constexpr float kCeilingDb = 60.0f;     // far above full scale; keeps an infinite level finite
constexpr std::uint32_t kFoldAbove = 0x3FB504F3u;  // the float 1.41421356f, just below sqrt(2)

// 20 log10(x) for a finite or infinite x > 0 (a normal float); some finite value for any other
// input. The exponent is taken from the bits and the mantissa, folded into [sqrt(1/2), sqrt(2)),
// goes through the series ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...), s = (m - 1) / (m + 1),
// |s| <= 0.172. Five terms in double leave a truncation error below 1e-9 dB, so the result is
// within a unit or two in the last place of the library's float log10.
//
// There are no branches: the fold is a comparison of the mantissa's bits and halves the mantissa
// exactly by lowering its exponent field, so the compiler packs a loop of these into vectors
// with the same operations per lane, and the packed and the single form give the same bits.
inline float decibels(float x) {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const std::uint32_t unit = (bits & 0x7FFFFFu) | 0x3F800000u;  // the mantissa in [1, 2)
    const std::int32_t fold = unit > kFoldAbove ? 1 : 0;
    const std::int32_t exponent = static_cast<std::int32_t>(bits >> 23) - 127 + fold;
    const std::uint32_t foldedBits = unit - (static_cast<std::uint32_t>(fold) << 23);
    float folded;
    std::memcpy(&folded, &foldedBits, sizeof folded);
    const double m = static_cast<double>(folded);
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    const double lnM = 2.0 * s * (1.0 + s2 * (1.0 / 3.0 + s2 * (1.0 / 5.0 + s2 * (1.0 / 7.0 + s2 * (1.0 / 9.0)))));
    constexpr double kLn2 = 0.69314718055994530942;
    constexpr double kLog10E = 0.43429448190325182765;  // 1 / ln 10
    // Rounded to a float log10 first and scaled in float, as a float log10 call would be: the
    // follower drives filter frequencies, which amplify any difference in the last place.
    return 20.0f * static_cast<float>((static_cast<double>(exponent) * kLn2 + lnM) * kLog10E);
}

// The height above the floor from the input and its decibels.
inline float fromDecibels(float x, float db) {
    const float level = x > kAudible ? std::min(db, kCeilingDb) : kFloorDb;
    return std::max(level + kRangeDb, 0.0f);
}

}  // namespace

float aboveFloor(float x) { return fromDecibels(x, decibels(x)); }

void aboveFloor(const float* x, float* target, int n) {
    // The decibels of every sample, whatever it is (a loop without branches, so it is packed);
    // then the floor and the ceiling four at a time. min and max here pick the same operand as
    // std::min and std::max for every value that occurs (decibels are never NaN).
    for (int k = 0; k < n; ++k) target[k] = decibels(x[k]);
    const wave::Float4 audible(kAudible), ceiling(kCeilingDb), floor(kFloorDb), range(kRangeDb), zero(0.0f);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const wave::Float4 in = wave::Float4::loadUnaligned(x + k);
        const wave::Float4 db = wave::Float4::loadUnaligned(target + k);
        const wave::Float4 level = select(lessThan(audible, in), min(db, ceiling), floor);
        max(level + range, zero).storeUnaligned(target + k);
    }
    for (; k < n; ++k) target[k] = fromDecibels(x[k], target[k]);
}

}  // namespace level_decibels

const float* LevelDecibelStage::decibelsOf(const wave::Buffer& level, int frames) {
    const wave::Producer* input = getInput();
    if (!input || input->getBlockStamp() != getEnvironment().getBlockCounter() || input->getOutput() != &level)
        return nullptr;
    return pull(frames, 0)->data();
}

void LevelDecibelStage::processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int flags) {
    if (flags & wave::kSkip) return;
    level_decibels::aboveFloor(in.data(), out.data(), frames);
    setConstant(getInput() && getInput()->isConstant());
}
