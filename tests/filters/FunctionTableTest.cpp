#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <vector>
#include <cstring>

#include "engine/wave/FunctionTable.h"
#include "filters/StateVariableFilter.h"

using wave::Float4;

namespace {

class Line : public FunctionTableFunction {
public:
    double evaluate(double x) const override { return 3.0 * x - 1.0; }
};

class Cube : public FunctionTableFunction {
public:
    double evaluate(double x) const override { return x * x * x; }
};

float readVector(const FunctionTable& table, float v) {
    FunctionTable::RoundDownScope roundDown;
    return table.read(Float4(v, v, v, v)).lane(2);
}

}  // namespace

TEST(FunctionTable, SizeIsThePowerOfTwoAtOrAboveTheRequestAndEndsAreExact) {
    Cube cube;
    EXPECT_EQ(FunctionTable(4906, cube, 0.0f, 1.0f).size(), 8192);
    EXPECT_EQ(FunctionTable(8192, cube, 0.0f, 1.0f).size(), 8192);
    EXPECT_EQ(FunctionTable(1, cube, 0.0f, 1.0f).size(), 2);
    FunctionTable t(100, cube, 2.0f, -2.0f);  // ends in either order
    ASSERT_EQ(t.size(), 128);
    EXPECT_EQ(t.getMin(), -2.0f);
    EXPECT_EQ(t.data()[0], -8.0f);
    EXPECT_EQ(t.data()[127], 8.0f);
    EXPECT_EQ(t.data()[128], 8.0f);  // the guard point repeats the last one
}

TEST(FunctionTable, BothReadFormsInterpolateLinearlyAndAgree) {
    Line line;
    FunctionTable t(8192, line, -40.0f, 40.0f);
    for (float v = -39.9f; v < 39.9f; v += 0.7331f) {
        EXPECT_NEAR(t.read(v), 3.0f * v - 1.0f, 2e-4f) << v;
        EXPECT_NEAR(readVector(t, v), 3.0f * v - 1.0f, 2e-4f) << v;
    }
    Cube cube;
    FunctionTable c(4096, cube, 0.0f, 5.0f);
    for (float v = 0.0f; v <= 5.0f; v += 0.0371f) EXPECT_NEAR(c.read(v), v * v * v, 1e-3f) << v;
}

TEST(FunctionTable, ArgumentsOutsideTheRangeReadTheNearestEnd) {
    Line line;
    FunctionTable t(8192, line, -40.0f, 40.0f);
    for (float v : {-40.0f, -41.0f, -1e9f, -INFINITY}) {
        EXPECT_NEAR(t.read(v), -121.0f, 1e-3f) << v;
        EXPECT_NEAR(readVector(t, v), -121.0f, 1e-3f) << v;
    }
    for (float v : {40.0f, 40.5f, 1e9f, INFINITY}) {
        EXPECT_NEAR(t.read(v), 119.0f, 1e-3f) << v;
        EXPECT_NEAR(readVector(t, v), 119.0f, 1e-3f) << v;
    }
    EXPECT_TRUE(std::isfinite(t.read(NAN)));
    EXPECT_TRUE(std::isfinite(readVector(t, NAN)));
}

TEST(FunctionTable, RoundDownScopeRestoresTheCallersMode) {
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    {
        FunctionTable::RoundDownScope roundDown;
        EXPECT_EQ(std::fegetround(), FE_DOWNWARD);
    }
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    std::fesetround(FE_TOWARDZERO);
    { FunctionTable::RoundDownScope roundDown; }
    EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
    std::fesetround(FE_TONEAREST);
}

// The clip stage's table places: whole numbers by the current mode (the floor under round-down,
// also for negative positions, where truncation would be one too high), and the pair gather.
TEST(FunctionTable, VectorRoundingFollowsTheModeAndPairsGatherInOrder) {
    volatile float in[4] = {-2.5f, -0.25f, 3.0f, 4095.75f};  // not folded at compile time
    const Float4 v(in[0], in[1], in[2], in[3]);
    {
        FunctionTable::RoundDownScope roundDown;
        const Float4 r = rint(v);
        EXPECT_EQ(r.lane(0), -3.0f);
        EXPECT_EQ(r.lane(1), -1.0f);
        EXPECT_EQ(r.lane(2), 3.0f);
        EXPECT_EQ(r.lane(3), 4095.0f);
    }
    const Float4 nearest = rint(Float4(in[0], in[1], in[2], in[3]));  // read again after the scope
    EXPECT_EQ(nearest.lane(0), -2.0f);  // ties to even
    EXPECT_EQ(nearest.lane(1), 0.0f);
    EXPECT_EQ(nearest.lane(3), 4096.0f);

    const float points[8] = {10.0f, 11.0f, 20.0f, 21.0f, 30.0f, 31.0f, 40.0f, 41.0f};
    const Float4 a = Float4::loadPairs(points + 6, points + 2), b = Float4::loadPairs(points, points + 4);
    const Float4 even = evenLanes(a, b), odd = oddLanes(a, b);
    const float expectedEven[4] = {40.0f, 20.0f, 10.0f, 30.0f}, expectedOdd[4] = {41.0f, 21.0f, 11.0f, 31.0f};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(even.lane(k), expectedEven[k]) << k;
        EXPECT_EQ(odd.lane(k), expectedOdd[k]) << k;
    }
}

// The four-at-once read gives what four scalar reads give, bit for bit, in both rounding modes the
// filters use: inside the grid, at its points, past both ends, at zeros and for NaN.
TEST(FunctionTable, ReadEachMatchesTheScalarReadExactly) {
    StateVariableFilter::ClipTable clip(0.3f);
    const FunctionTable* tables[] = {&StateVariableFilter::freqTable(), &StateVariableFilter::dampTable(),
                                     &StateVariableFilter::dampLimitTable(), &clip.table()};
    for (const FunctionTable* table : tables) {
        const float lo = table->getMin(), hi = table->getMax();
        std::vector<float> values;
        for (int k = -20000; k <= 20000; ++k) values.push_back(lo + (hi - lo) * (0.5f + static_cast<float>(k) / 31000.0f));
        for (int k = 0; k < table->size(); k += 7) values.push_back(lo + (hi - lo) * k / (table->size() - 1));
        for (float v : {lo, hi, 0.0f, -0.0f, 1e-30f, INFINITY, -INFINITY, NAN, 1e9f, -1e9f}) values.push_back(v);
        while (values.size() % 4 != 0) values.push_back(lo);
        for (int mode : {FE_TONEAREST, FE_DOWNWARD}) {
            std::fesetround(mode);
            int mismatches = 0;
            for (size_t j = 0; j < values.size(); j += 4) {
                const Float4 each = table->readEach(Float4::loadUnaligned(&values[j]));
                for (int lane = 0; lane < 4; ++lane) {
                    const float e = table->read(values[j + lane]), a = each.lane(lane);
                    if (std::memcmp(&e, &a, sizeof e) != 0 && ++mismatches < 5)
                        ADD_FAILURE() << "at " << values[j + lane] << ": " << a << " vs " << e;
                }
            }
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(mismatches, 0) << "table over " << lo << " .. " << hi << ", mode " << mode;
        }
    }
}

TEST(FilterTables, CoefficientTablesMatchTheirDefinitions) {
    const FunctionTable& freq = StateVariableFilter::freqTable();
    // v = log2(fc / fs); f = 2·sin(pi·fc / (3·fs)).
    EXPECT_NEAR(freq.read(std::log2(1000.0f / 48000.0f)), 2.0 * std::sin(M_PI * 1000.0 / 144000.0), 1e-5);
    // From 0.4727·fs up the coefficient is limited to 0.95 and never more.
    EXPECT_NEAR(freq.read(std::log2(0.4727f)), 0.95f, 1e-3f);
    EXPECT_FLOAT_EQ(freq.read(std::log2(0.48f)), 0.95f);
    for (float v = -1.0f; v <= 20.0f; v += 0.25f) EXPECT_LE(freq.read(v), 0.95f);

    const FunctionTable& damp = StateVariableFilter::dampTable();
    EXPECT_FLOAT_EQ(damp.read(0.0f), 2.0f);
    EXPECT_NEAR(damp.read(1.0f), 0.0f, 1e-3f);
    EXPECT_LT(damp.read(4.31f), 0.0f);  // above 1: negative damping

    const FunctionTable& limit = StateVariableFilter::dampLimitTable();
    EXPECT_FLOAT_EQ(limit.read(0.005f), 2.0f);
    EXPECT_NEAR(limit.read(0.95f), 2.0f / 0.95f - 0.95f, 1e-3f);
}

TEST(FilterTables, ClipTableIsAsymmetricAndRebuildsOnShapeChange) {
    StateVariableFilter::ClipTable clip(0.3f);
    FunctionTable::RoundDownScope roundDown;
    Float4 y = clip.table().read(Float4(-30.0f, -0.01f, 0.01f, 30.0f));
    EXPECT_NEAR(y.lane(0), std::atan(-30.0f), 1e-3f);
    EXPECT_NEAR(y.lane(1), -0.01f, 1e-4f);  // slope 1 at zero
    EXPECT_NEAR(y.lane(2), 0.01f, 1e-4f);
    EXPECT_NEAR(y.lane(3), std::atan(9.0f) / 0.3f, 1e-3f);
    clip.setShape(1.0f);
    EXPECT_NEAR(clip.table().read(Float4(30.0f)).lane(0), std::atan(30.0f), 1e-3f);
}
