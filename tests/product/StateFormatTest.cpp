#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "presets/PresetMessages.h"
#include "product/ProductTestSupport.h"

namespace {

std::vector<float> valuesOf(const ParameterCollection& c) {
    std::vector<float> v;
    for (AbstractPluginParameter* p : c.parameters()) v.push_back(p->getValue());
    return v;
}

}  // namespace

TEST(StateFormat, FullStateRoundTripIsBitIdentical) {
    ScratchFolder folder;
    KestrumPlugin source;
    setAllNonDefault(source);
    const std::vector<float> written = allValues(source);
    for (int i = 0; i < source.getNumParameters(); ++i) {
        ASSERT_NE(written[static_cast<size_t>(i)], source.getParameter(i)->getDefaultValue()) << i;
    }
    const std::string path = folder.file("state.zxp");
    ASSERT_TRUE(source.savePresetFile(path));

    // Header "ZK2l", version 2, one value per parameter.
    const std::string bytes = ScratchFolder::read(path);
    ASSERT_EQ(bytes.size(), 12u + 4u * 709u);
    EXPECT_EQ(bytes.substr(0, 4), "ZK2l");
    EXPECT_EQ(bytes.substr(4, 8), std::string("\x02\0\0\0\xc5\x02\0\0", 8));

    KestrumPlugin target;
    ASSERT_TRUE(target.loadPresetData(path));
    for (int i = 0; i < target.getNumParameters(); ++i) {
        EXPECT_EQ(bitsOf(target.getParameter(i)->getValue()), bitsOf(written[static_cast<size_t>(i)]))
            << target.getParameter(i)->getName();
    }
}

// A section preset saved from one instance loads into any instance of the same section.
TEST(StateFormat, SectionPresetsMoveBetweenInstances) {
    ScratchFolder folder;
    for (int s = 0; s < SectionCollections::kNumSections; ++s) {
        const auto section = static_cast<SectionCollections::Section>(s);
        KestrumPlugin source;
        KestrumPlugin target;
        const int last = source.sections().getNumInstances(section) - 1;
        ASSERT_GE(last, 0);
        const ParameterCollection& from = *source.sections().get(section, last);
        for (AbstractPluginParameter* p : from.parameters()) p->setValue(nonDefaultValue(*p), 0);
        const std::string path = folder.file("section" + SectionCollections::extension(section));
        ASSERT_TRUE(source.sections().save(section, last, path)) << SectionCollections::name(section);

        const std::vector<float> before = allValues(target);
        ASSERT_TRUE(target.sections().load(section, 0, path)) << SectionCollections::name(section);
        const ParameterCollection& into = *target.sections().get(section, 0);
        EXPECT_EQ(valuesOf(into), valuesOf(from)) << SectionCollections::name(section);

        // Nothing outside the instance changed.
        const std::vector<float> after = allValues(target);
        for (int i = 0; i < target.getNumParameters(); ++i) {
            AbstractPluginParameter* p = target.getParameter(i);
            const bool inSection = std::find(into.parameters().begin(), into.parameters().end(), p) !=
                                   into.parameters().end();
            if (!inSection) {
                EXPECT_EQ(after[static_cast<size_t>(i)], before[static_cast<size_t>(i)]) << p->getName();
            }
        }
    }
    KestrumPlugin plugin;
    EXPECT_EQ(plugin.sections().getNumInstances(SectionCollections::kXLFO), 6);
    EXPECT_EQ(plugin.sections().getNumInstances(SectionCollections::kEF), 4);
    EXPECT_EQ(plugin.sections().getNumInstances(SectionCollections::kMidi), 10);
    EXPECT_EQ(plugin.sections().get(SectionCollections::kFilters, 0)->size(), 39);
    EXPECT_EQ(plugin.sections().get(SectionCollections::kXLFO, 0)->size(), 73);
    EXPECT_EQ(plugin.sections().get(SectionCollections::kSlots, 0)->size(), 121);
    EXPECT_EQ(plugin.sections().get(SectionCollections::kXLFO, 6), nullptr);
    EXPECT_FALSE(plugin.sections().load(SectionCollections::kEG, 9, folder.file("none.eg")));
}

TEST(StateFormat, CountZeroResetsEverythingAndSucceeds) {
    KestrumPlugin plugin;
    setAllNonDefault(plugin);
    EXPECT_TRUE(loadBytes(plugin, FileBytes().preset("ZK2l", 2, {}).str()));
    EXPECT_TRUE(allAtDefault(plugin));
}

TEST(StateFormat, CountOneShortGivesTheLastParameterItsDefault) {
    KestrumPlugin source;
    setAllNonDefault(source);
    std::vector<float> values = allValues(source);
    values.pop_back();
    KestrumPlugin plugin;
    ASSERT_TRUE(loadBytes(plugin, FileBytes().preset("ZK2l", 2, values).str()));
    const int last = plugin.getNumParameters() - 1;
    for (int i = 0; i < last; ++i) ASSERT_EQ(plugin.getParameter(i)->getValue(), values[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(plugin.getParameter(last)->getValue(), plugin.getParameter(last)->getDefaultValue());

    // Extra values beyond the parameter list are ignored.
    values.push_back(1.0f);
    values.push_back(2.0f);
    values.push_back(3.0f);
    EXPECT_TRUE(loadBytes(plugin, FileBytes().preset("ZK2l", 2, values).str()));
}

TEST(StateFormat, NonFiniteValuesTakeTheDefaultAndTheFileStillCounts) {
    KestrumPlugin source;
    setAllNonDefault(source);
    std::vector<float> values = allValues(source);
    values[0] = std::numeric_limits<float>::quiet_NaN();                    // Input Gain
    values[4] = std::numeric_limits<float>::infinity();                     // Mix
    values[8] = -std::numeric_limits<float>::infinity();                    // Filter 1 Freq
    values[546] = std::numeric_limits<float>::quiet_NaN();                  // Slot 1 Source
    KestrumPlugin plugin;
    setAllNonDefault(plugin);
    ASSERT_TRUE(loadBytes(plugin, FileBytes().preset("ZK2l", 2, values).str()));
    for (int i : {0, 4, 8, 546}) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        EXPECT_EQ(p->getValue(), p->getDefaultValue()) << p->getName();
    }
    EXPECT_EQ(plugin.getParameter(1)->getValue(), values[1]);
}

// The header alone decides which loader takes a file; a refused file changes nothing.
TEST(StateFormat, WrongMagicOrVersionIsRefusedWithoutChanges) {
    KestrumPlugin plugin;
    setAllNonDefault(plugin);
    const std::vector<float> before = allValues(plugin);
    const std::vector<float> some(60, 0.25f);
    EXPECT_FALSE(loadBytes(plugin, FileBytes().preset("ZKst", 2, some).str()));
    EXPECT_FALSE(loadBytes(plugin, FileBytes().preset("ZK2l", 3, some).str()));
    EXPECT_FALSE(loadBytes(plugin, FileBytes().preset("ZK2l", 0, some).str()));
    EXPECT_FALSE(loadBytes(plugin, FileBytes().preset("XXXX", 2, some).str()));
    EXPECT_FALSE(loadBytes(plugin, "ZK2"));
    EXPECT_FALSE(loadBytes(plugin, ""));
    EXPECT_FALSE(plugin.loadPresetData("/nonexistent/folder/preset.zxp"));
    EXPECT_EQ(allValues(plugin), before);
    EXPECT_NE(std::string(PresetMessages::kOpenFailed).find("could not be opened"), std::string::npos);
}

TEST(StateFormat, TruncatedFileKeepsWhatWasReadAndReportsFailure) {
    KestrumPlugin source;
    setAllNonDefault(source);
    const std::vector<float> values = allValues(source);
    std::string bytes = FileBytes().preset("ZK2l", 2, values).str();
    bytes.resize(12 + 4 * 100 + 2);  // 100 whole values, then half of one

    KestrumPlugin plugin;
    EXPECT_FALSE(loadBytes(plugin, bytes));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(plugin.getParameter(i)->getValue(), values[static_cast<size_t>(i)]) << i;
    for (int i = 100; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        ASSERT_EQ(p->getValue(), p->getDefaultValue()) << p->getName();
    }

    // A count far beyond the data is not trusted: the values that are there are read.
    KestrumPlugin other;
    EXPECT_FALSE(loadBytes(other, FileBytes().preset("ZK2l", 2, {5.0f, 0.5f}, 0x7fffffff).str()));
    EXPECT_EQ(other.inputGain.getValue(), 5.0f);
    EXPECT_EQ(other.inputPan.getValue(), 0.5f);
}

// A section preset has the previous generation's header, so the full load hands it to the
// version-1 loader, which reads it by that layout.
TEST(StateFormat, SectionPresetOpenedAsFullPresetGoesToTheVersion1Loader) {
    ScratchFolder folder;
    KestrumPlugin source;
    source.filters.getNumActive().setValue(3.0f, 0);  // position 0 of the Filters section
    const std::string path = folder.file("a.filters");
    ASSERT_TRUE(source.sections().save(SectionCollections::kFilters, 0, path));

    KestrumPlugin plugin;
    plugin.routingMode.setValue(2.0f, 0);
    EXPECT_TRUE(plugin.loadPresetData(path));
    EXPECT_EQ(plugin.inputGain.getValue(), 3.0f);            // read as position 0 of the old layout
    EXPECT_EQ(plugin.routingMode.getValue(), 0.0f);          // the version-1 corrections ran
}
