#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "DesignTestSupport.h"
#include "filters/BiQuadFilter.h"
#include "filters/CoefficientSegments.h"
#include "filters/DesignFilter.h"
#include "filters/GenericFilter.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 64;
constexpr int kTotal = 6000;

// A filter under test: `count` filters (sharing one four-lane unit when `grouped`) on noise, with
// cut-off and peak swept by ramps, pulled in chunks of `chunk` samples.
using Unit = std::function<std::unique_ptr<GenericFilter::FilterUnit>(wave::Environment&)>;

std::vector<std::vector<float>> run(const Unit& makeUnit, bool grouped, int count, int chunk) {
    wave::Environment env(kBlock);
    env.setSampleRate(48000.0f);
    std::unique_ptr<GenericFilter::FilterUnit> unit = makeUnit(env);
    std::vector<std::unique_ptr<SignalSource>> sources;
    std::vector<std::unique_ptr<GenericFilter>> filters;
    for (int m = 0; m < count; ++m) {
        sources.push_back(std::make_unique<SignalSource>(env, noise(kTotal, 3u + static_cast<unsigned>(m), 0.5f)));
        filters.push_back(std::make_unique<GenericFilter>(env));
        GenericFilter& f = *filters.back();
        f.setInput(sources.back().get());
        if (grouped) {
            EXPECT_TRUE(f.joinGroup(static_cast<GenericFilter::ParallelFilterUnit*>(unit.get())));
        } else {
            f.setUnit(unit.get());
        }
        f.slope.set(2);
        f.frequencySource().setTarget(8.0f + static_cast<float>(m), 0.0f);
        f.peakSource().setTarget(0.2f, 0.0f);
    }
    std::vector<std::vector<float>> out(static_cast<size_t>(count));
    for (int done = 0; done < kTotal;) {
        if (done == 1000) {
            // Slow and fast sweeps: segments end on the clock and on 0.1-octave moves.
            filters[0]->frequencySource().setTarget(12.0f, 80.0f);
            filters[0]->peakSource().setTarget(0.9f, 60.0f);
            filters.back()->frequencySource().setTarget(9.5f, 5.0f);
        }
        const int n = std::min({chunk, kTotal - done, done < 1000 ? 1000 - done : kTotal});
        env.advanceBlock();
        for (int m = 0; m < count; ++m) {
            const wave::Buffer* b = filters[static_cast<size_t>(m)]->pull(n, 0);
            out[static_cast<size_t>(m)].insert(out[static_cast<size_t>(m)].end(), b->data(), b->data() + n);
        }
        env.run(n, 0);
        done += n;
    }
    return out;
}

}  // namespace

TEST(CoefficientSegments, StartOnTheClockAndOnMovesOfMoreThanATenthOfAnOctave) {
    EXPECT_TRUE(CoefficientSegments::startsAt(0, 10.0f, 10.0f));
    EXPECT_TRUE(CoefficientSegments::startsAt(96, 10.0f, 10.0f));
    EXPECT_FALSE(CoefficientSegments::startsAt(97, 10.0f, 10.0f));
    EXPECT_FALSE(CoefficientSegments::startsAt(97, 0.1f, 0.0f));  // exactly 0.1 octave: goes on
    EXPECT_TRUE(CoefficientSegments::startsAt(97, 0.1001f, 0.0f));
    EXPECT_TRUE(CoefficientSegments::startsAt(97, 9.8f, 10.0f));
    EXPECT_FALSE(CoefficientSegments::startsAt((std::int64_t{1} << 40) + 5, 10.0f, 10.0f));
}

// Coefficients follow the clock, so how the samples are cut into chunks changes nothing: the
// biquad, the state-variable filter's one-filter path and its four-lane path each give the same
// samples, bit for bit, in chunks of 1, 7, 37 and 64 samples.
TEST(CoefficientSegments, FilterOutputDoesNotDependOnTheChunkSize) {
    const DesignFilter::Style* style = designtest::styles()[2];
    struct Kernel {
        const char* name;
        Unit make;
        bool grouped;
        int count;
    };
    const std::vector<Kernel> kernels = {
        {"biquad", [](wave::Environment& e) { return std::make_unique<BiQuadFilter>(e); }, false, 1},
        {"one filter", [style](wave::Environment& e) { return std::make_unique<DesignFilter>(e, style); }, false, 1},
        {"four lanes", [style](wave::Environment& e) { return std::make_unique<DesignFilter>(e, style); }, true, 3},
    };
    for (const Kernel& k : kernels) {
        const auto reference = run(k.make, k.grouped, k.count, kBlock);
        for (int chunk : {1, 7, 37}) {
            const auto y = run(k.make, k.grouped, k.count, chunk);
            for (int m = 0; m < k.count; ++m) {
                const auto& a = y[static_cast<size_t>(m)];
                const auto& b = reference[static_cast<size_t>(m)];
                ASSERT_EQ(a.size(), b.size());
                size_t first = 0;
                while (first < a.size() && a[first] == b[first]) ++first;
                EXPECT_EQ(first, a.size()) << k.name << " filter " << m << " in chunks of " << chunk;
            }
        }
    }
}

// The segment search over a block finds the same starts as testing every sample in turn: on the
// clock (for any phase of the graph time), on moves just past a tenth of an octave, never on NaN,
// and never before `begin` + 1 or at or past `end`.
TEST(CoefficientSegments, NextStartMatchesTheSampleBySampleTest) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> step(-0.04f, 0.04f);
    std::vector<float> freq(300);
    float f = 10.0f;
    for (size_t i = 0; i < freq.size(); ++i) {
        f += step(random);
        freq[i] = i % 97 == 50 ? std::numeric_limits<float>::quiet_NaN() : f;
    }
    int starts = 0;
    for (std::int64_t time : {std::int64_t{0}, std::int64_t{1}, std::int64_t{31}, std::int64_t{45}, std::int64_t{1} << 40}) {
        for (int begin = 0; begin < 290; begin += 7) {
            for (int end : {begin + 1, begin + 2, begin + 33, 300}) {
                if (end > 300) continue;
                const float sampled = freq[static_cast<size_t>(begin)] + (begin % 3 == 0 ? 0.05f : 0.0f);
                int expected = begin + 1;
                while (expected < end &&
                       !CoefficientSegments::startsAt(time + expected, freq[static_cast<size_t>(expected)], sampled)) {
                    ++expected;
                }
                EXPECT_EQ(CoefficientSegments::nextStart(freq.data(), begin, end, time, sampled), expected)
                    << "time " << time << " begin " << begin << " end " << end;
                starts += expected < end;
            }
        }
    }
    EXPECT_GT(starts, 100);
}
