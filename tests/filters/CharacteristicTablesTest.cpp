#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "DesignTestSupport.h"
#include "filters/DesignFilter.h"
#include "filters/FilterSettingTable.h"
#include "filters/MultiDesignFilter.h"
#include "platform/BinaryDataReader.h"
#include "platform/EResource.h"
#include "platform/ResourceStore.h"

using designtest::styles;

namespace {

std::string resourceBytes(const std::string& name) {
    auto found = ResourceStore::instance().find(name, ResourceStore::Match::StripExtension);
    if (!found) return {};
    return std::string(reinterpret_cast<const char*>(found->data), found->size);
}

void putFloat(std::string& bytes, size_t at, float v) { std::memcpy(bytes.data() + at, &v, 4); }
void putInt(std::string& bytes, size_t at, int v) { std::memcpy(bytes.data() + at, &v, 4); }

bool loadBytes(DesignFilter::Style& style, const std::string& bytes) {
    std::istringstream in(bytes);
    BinaryDataReader reader(in);
    return style.load(reader);
}

// Every cell of the three tables, to compare two styles.
std::vector<float> cells(const DesignFilter::Style& s) {
    std::vector<float> all;
    for (const FilterSettingTable* t : {&s.driveTable(), &s.saturationTable(), &s.resonanceTable()}) {
        for (int r = 0; r < t->size.get(); ++r) {
            for (int c = 0; c < t->size.get(); ++c) all.push_back(t->value(r, c));
        }
    }
    all.push_back(s.clipShape.get());
    all.push_back(s.freqMin.get());
    all.push_back(s.freqMax.get());
    return all;
}

// Offsets in a ZXil file with 11 x 11 tables.
constexpr size_t kShape = 8, kFreqMin = 12, kFreqMax = 16, kDriveSize = 20, kDrive = 24;
constexpr size_t kSaturationSize = 24 + 4 * 121, kResonanceSize = 28 + 8 * 121, kResonance = 32 + 8 * 121;

// Row 10 (full peak) of every characteristic's resonance table, as designed.
const float kFullPeakResonance[10][11] = {
    {3.500f, 3.500f, 3.500f, 3.500f, 3.000f, 2.500f, 1.500f, 1.200f, 1.000f, 1.000f, 1.000f},
    {0.999f, 0.935f, 1.107f, 1.318f, 1.349f, 0.919f, 0.964f, 0.878f, 0.815f, 0.999f, 0.439f},
    {1.500f, 1.500f, 1.500f, 1.500f, 1.500f, 1.278f, 1.080f, 1.019f, 0.992f, 0.997f, 0.982f},
    {0.999f, 3.950f, 4.310f, 1.990f, 3.226f, 1.258f, 1.082f, 1.053f, 1.107f, 0.882f, 0.510f},
    {1.142f, 1.888f, 1.688f, 1.719f, 1.225f, 1.156f, 1.151f, 1.013f, 0.999f, 0.994f, 0.536f},
    {0.925f, 3.201f, 3.438f, 1.053f, 1.092f, 0.962f, 1.034f, 1.063f, 0.987f, 0.989f, 0.978f},
    {0.900f, 0.860f, 0.821f, 0.728f, 0.801f, 0.900f, 0.900f, 0.841f, 0.609f, 0.999f, 0.999f},
    {2.241f, 2.955f, 1.699f, 1.314f, 1.115f, 0.901f, 0.866f, 0.930f, 0.965f, 0.989f, 0.999f},
    {2.327f, 3.768f, 3.760f, 1.725f, 1.136f, 1.028f, 0.983f, 0.954f, 0.978f, 0.994f, 0.994f},
    {2.808f, 3.688f, 1.314f, 1.646f, 1.151f, 1.014f, 0.969f, 0.984f, 0.974f, 0.997f, 0.999f},
};

}  // namespace

TEST(FilterSettingTable, InterpolatesBetweenCellsAndReadsTheEdgesExactly) {
    FilterSettingTable t;
    for (int r = 0; r < 11; ++r) {
        for (int c = 0; c < 11; ++c) t.setValue(r, c, static_cast<float>(10 * r + c));
    }
    t.updateSteps();
    EXPECT_FLOAT_EQ(t.valueAt(2.5f, 3.25f), 35.0f);  // bilinear in a plane is exact
    EXPECT_EQ(t.valueAt(10.0f, 10.0f), 110.0f);      // last column and last row, guard weight 0
    EXPECT_EQ(t.step(4, 10), 0.0f);
    // Coordinates outside the grid read the nearest edge instead of memory beyond it.
    EXPECT_EQ(t.valueAt(-3.0f, 20.0f), 100.0f);
    EXPECT_EQ(t.valueAt(std::numeric_limits<float>::quiet_NaN(), 0.0f), 0.0f);

    t.size.set(5);  // a new size starts from zeros
    EXPECT_EQ(t.valueAt(2.0f, 2.0f), 0.0f);
}

TEST(FilterSettingTable, RefusesAnImpossibleSizeWithoutAllocatingIt) {
    FilterSettingTable t;
    std::string bytes(4, '\0');
    putInt(bytes, 0, 0x7fffffff);
    std::istringstream in(bytes);
    BinaryDataReader reader(in);
    t.read(reader);
    EXPECT_FALSE(reader.good());
    EXPECT_EQ(t.size.get(), 11);
}

TEST(DesignStyle, LookupFollowsTheTablesAndLimitsItsArguments) {
    const DesignFilter::Style& one = *styles()[0];
    for (float freq : {1.0f, 2.2666f, 6.0f, 9.97f, 14.0f, 16.2064f, 20.0f}) {
        float res = -1.0f, sat = -1.0f, drive = -1.0f;
        one.lookup(freq, 0.0f, res, sat, drive);
        EXPECT_EQ(drive, 2.5f);
        EXPECT_EQ(sat, 0.0f);
        EXPECT_EQ(res, 0.0f);
    }
    float res, sat, drive;
    one.lookup(-5.0f, 1.0f, res, sat, drive);  // below the axis: column 0, peak 1: row 10 exactly
    EXPECT_FLOAT_EQ(res, 3.5f);
    EXPECT_FLOAT_EQ(drive, 1.5f);
    EXPECT_FLOAT_EQ(sat, 0.001f);
    one.lookup(30.0f, 1.0f, res, sat, drive);  // above the axis: the last column
    EXPECT_FLOAT_EQ(res, 1.0f);
    EXPECT_FLOAT_EQ(drive, 8.0f);
    // A peak beyond 1 (modulation overshoot) or NaN stays inside the grid.
    float res2, sat2, drive2;
    one.lookup(30.0f, 3.0f, res2, sat2, drive2);
    EXPECT_EQ(res2, res);
    one.lookup(30.0f, std::numeric_limits<float>::quiet_NaN(), res2, sat2, drive2);
    EXPECT_EQ(res2, 0.0f);
    // Half way between rows 9 and 10 of column 0.
    one.lookup(2.2666f, 0.95f, res, sat, drive);
    EXPECT_NEAR(res, 3.375f, 1e-5f);

    // Hard has its own axis: the same frequency lands on another column.
    const DesignFilter::Style& hard = *styles()[3];
    EXPECT_FLOAT_EQ(hard.freqMin.get(), 3.06152f);
    EXPECT_FLOAT_EQ(hard.freqMax.get(), 15.6029f);
    hard.lookup(3.06152f + 2.0f / hard.getFreqScale(), 1.0f, res, sat, drive);
    EXPECT_NEAR(res, 4.31f, 1e-4f);  // column 2 of Hard
}

TEST(DesignStyle, DefaultsAndTheDriveFloor) {
    DesignFilter::Style style("", 1.0f);
    float res, sat, drive;
    style.lookup(10.0f, 1.0f, res, sat, drive);
    EXPECT_FLOAT_EQ(res, 0.999f);
    style.lookup(10.0f, 0.5f, res, sat, drive);
    EXPECT_FLOAT_EQ(res, 0.5f);
    EXPECT_EQ(sat, 0.0f);
    EXPECT_FLOAT_EQ(drive, 0.1f);
    style.driveTable().setValue(3, 4, 0.05f);
    style.driveTable().updateSteps();
    style.lookup(style.freqMin.get() + 4.0f / style.getFreqScale(), 0.3f, res, sat, drive);
    EXPECT_FLOAT_EQ(drive, 0.1f);
    // Changing the axis rewrites the defaults and the scale.
    style.freqMax.set(12.2666f);
    EXPECT_FLOAT_EQ(style.getFreqScale(), 1.0f);
}

TEST(DesignStyle, ShipsTenCharacteristicsInOrderWithTheirClipShapesAndGains) {
    const float shapes[10] = {0.3f, 0.181958f, 1.0f, 0.687329f, 0.913428f, 0.128784f, 0.31709f, 1.0f, 0.1f, 0.543188f};
    const float gains[10] = {1.8f, 1.0f, 1.0f, 1.4f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    ASSERT_EQ(styles().size(), 10);
    for (int i = 0; i < 10; ++i) {
        const DesignFilter::Style& s = *styles()[i];
        EXPECT_FLOAT_EQ(s.clipShape.get(), shapes[i]) << i;
        EXPECT_FLOAT_EQ(s.clipTable().getShape(), shapes[i]) << i;
        EXPECT_EQ(s.getInputGain(), gains[i]) << i;
        EXPECT_EQ(s.getVersion(), 1) << i;
    }
    // Resource look-up ignores case and the extension.
    EXPECT_TRUE(ResourceStore::instance().contains("MONOPOLY", ResourceStore::Match::StripExtension));
    EXPECT_TRUE(ResourceStore::instance().contains("easygoing", ResourceStore::Match::StripExtension));
    EXPECT_THROW(DesignFilter::Style("NoSuchTable.fil", 1.0f), EResource);
}

TEST(DesignStyle, ShippedTablesKeepTheirRangesRowZeroAndFullPeakResonance) {
    for (int i = 0; i < 10; ++i) {
        const DesignFilter::Style& s = *styles()[i];
        const std::string name = MultiDesignFilter::kCharacteristics[i].name;
        ASSERT_EQ(resourceBytes(MultiDesignFilter::kCharacteristics[i].resource).size(), 1484u) << name;
        float maxResonance = 0.0f;
        for (int r = 0; r < 11; ++r) {
            for (int c = 0; c < 11; ++c) {
                float d = s.driveTable().value(r, c), sat = s.saturationTable().value(r, c);
                float res = s.resonanceTable().value(r, c);
                EXPECT_TRUE(d >= 0.1f && d <= 10.0f) << name << " drive " << r << "," << c;
                EXPECT_TRUE(sat >= 0.0f && sat <= 0.1f) << name << " saturation " << r << "," << c;
                EXPECT_TRUE(res >= 0.0f && res <= 4.31f) << name << " resonance " << r << "," << c;
                if (r == 0) {
                    EXPECT_EQ(d, i == 0 ? 2.5f : 0.1f) << name;
                    EXPECT_EQ(sat, 0.0f) << name;
                    EXPECT_EQ(res, 0.0f) << name;
                }
                if (r == 10) {
                    EXPECT_NEAR(res, kFullPeakResonance[i][c], 0.0005f) << name << " column " << c;
                }
                maxResonance = std::max(maxResonance, res);
            }
        }
        const float ceiling = name == "Gentle" ? 0.999f : name == "Smooth" ? 1.35f : 4.31f;
        EXPECT_LE(maxResonance, ceiling) << name;
        if (name == "Hard") {
            EXPECT_FLOAT_EQ(maxResonance, 4.31f);
        }
    }
    // The first characteristic's tables are product data: a sample of its cells.
    const DesignFilter::Style& one = *styles()[0];
    EXPECT_EQ(one.driveTable().value(5, 4), 2.375f);
    EXPECT_EQ(one.driveTable().value(9, 3), 2.0f);
    EXPECT_EQ(one.driveTable().value(10, 9), 8.0f);
    EXPECT_EQ(one.saturationTable().value(7, 6), 0.03f);
    EXPECT_EQ(one.saturationTable().value(9, 7), 0.07f);
    EXPECT_EQ(one.resonanceTable().value(7, 0), 1.025f);
    EXPECT_EQ(one.resonanceTable().value(9, 5), 2.1f);
}

TEST(DesignStyle, ShippedTablesAreWhatTheGeneratorWrites) {
    const std::string source = KESTRUM_SOURCE_DIR;
    if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
    const std::string command =
        "python3 '" + source + "/tools/filter_tables.py' --check '" + source + "/resources/filters'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "regenerate with: python3 tools/filter_tables.py resources/filters";

    // The check itself notices a changed file.
    const std::string scratch = ::testing::TempDir() + "kestrum_filter_tables";
    const std::string stale = "rm -rf '" + scratch + "' && python3 '" + source + "/tools/filter_tables.py' '" +
                              scratch + "' && printf 'X' | dd of='" + scratch +
                              "/Gentle.fil' bs=1 seek=100 conv=notrunc 2>/dev/null && python3 '" + source +
                              "/tools/filter_tables.py' --check '" + scratch + "' > /dev/null";
    EXPECT_NE(std::system(stale.c_str()), 0);
}

TEST(DesignStyle, ADamagedFileIsRefusedAndNeverReadHalfWay) {
    const std::string good = resourceBytes("Tube");
    ASSERT_EQ(good.size(), 1484u);
    DesignFilter::Style reference("", 1.0f);
    ASSERT_TRUE(loadBytes(reference, good));
    const std::vector<float> loaded = cells(reference);

    std::vector<std::pair<std::string, std::string>> damaged;
    damaged.push_back({"wrong magic", "ZXim" + good.substr(4)});
    for (size_t length : {0u, 6u, 20u, 200u, 1000u, 1483u}) damaged.push_back({"short", good.substr(0, length)});
    std::string s = good;
    putFloat(s, kShape, 0.0f);
    damaged.push_back({"zero shape", s});
    s = good;
    putFloat(s, kShape, std::numeric_limits<float>::quiet_NaN());
    damaged.push_back({"NaN shape", s});
    s = good;
    putFloat(s, kFreqMax, 1.0f);
    damaged.push_back({"empty axis", s});
    s = good;
    putFloat(s, kFreqMin, std::numeric_limits<float>::infinity());
    damaged.push_back({"infinite axis", s});
    for (size_t at : {kDriveSize, kSaturationSize, kResonanceSize}) {
        s = good;
        putInt(s, at, 10);
        damaged.push_back({"size 10", s});
        s = good;
        putInt(s, at, 0);
        damaged.push_back({"size 0", s});
    }
    s = good;
    putFloat(s, kDrive + 4 * 50, std::numeric_limits<float>::quiet_NaN());
    damaged.push_back({"NaN drive", s});
    s = good;
    putFloat(s, kResonance + 4 * 120, std::numeric_limits<float>::infinity());
    damaged.push_back({"infinite resonance", s});

    for (const auto& [what, bytes] : damaged) {
        DesignFilter::Style fresh("", 1.0f);
        const std::vector<float> before = cells(fresh);
        EXPECT_FALSE(loadBytes(fresh, bytes)) << what;
        EXPECT_EQ(cells(fresh), before) << what;
        // A style that already holds good tables keeps them.
        EXPECT_FALSE(loadBytes(reference, bytes)) << what;
        EXPECT_EQ(cells(reference), loaded) << what;
    }
    // The shipped file with extra bytes after it is still complete.
    DesignFilter::Style padded("", 1.0f);
    EXPECT_TRUE(loadBytes(padded, good + "tail"));
    EXPECT_EQ(cells(padded), loaded);
}

TEST(DesignStyle, WrongMagicLeavesTheConstructionTablesNotTheDefaults) {
    ResourceStore::instance().registerCopy("BrokenMagic.fil", "ZXim0000", 8);
    DesignFilter::Style style("BrokenMagic.fil", 1.0f);
    float res, sat, drive;
    style.lookup(10.0f, 1.0f, res, sat, drive);
    EXPECT_EQ(res, 0.0f);  // zero tables: no resonance at all
    EXPECT_EQ(sat, 0.0f);
    EXPECT_FLOAT_EQ(drive, 0.1f);
    EXPECT_FLOAT_EQ(style.clipShape.get(), 0.3f);
    ResourceStore::instance().unregister("BrokenMagic.fil");
}

// A style reads its three tables at one shared place while they have the same size; a table that
// was resized on its own must still be read within its own grid, as valueAt reads it.
TEST(FilterSettingTable, StyleLookupReadsEveryTableWithinItsOwnGrid) {
    DesignFilter::Style style("", 1.0f);
    auto fill = [](FilterSettingTable& t, float scale) {
        for (int r = 0; r < t.size.get(); ++r) {
            for (int c = 0; c < t.size.get(); ++c) t.setValue(r, c, scale * static_cast<float>(1 + r * 13 + c * c));
        }
        t.updateSteps();
    };
    for (int resized : {0, 1}) {
        if (resized) style.driveTable().size.set(5);
        fill(style.resonanceTable(), 0.01f);
        fill(style.saturationTable(), 0.001f);
        fill(style.driveTable(), 0.5f);
        const float last = static_cast<float>(style.gridSize.get() - 1);
        for (float freq : {style.freqMin.get() - 1.0f, 7.3f, 10.05f, 13.9f, style.freqMax.get() + 2.0f}) {
            for (float peak : {0.0f, 0.37f, 0.8f, 1.0f}) {
                float resonance = 0.0f, saturation = 0.0f, drive = 0.0f;
                style.lookup(freq, peak, resonance, saturation, drive);
                const float col = std::min(std::max((freq - style.freqMin.get()) * style.getFreqScale(), 0.0f), last);
                const float row = last * peak;
                EXPECT_EQ(resonance, style.resonanceTable().valueAt(col, row)) << freq << " " << peak;
                EXPECT_EQ(saturation, style.saturationTable().valueAt(col, row)) << freq << " " << peak;
                EXPECT_EQ(drive, std::max(style.driveTable().valueAt(col, row), DesignFilter::Style::kMinDrive))
                    << resized << " " << freq << " " << peak;
            }
        }
    }
}
