#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "product/KestrumPlugin.h"
#include "product/ModulationListing.h"
#include "product/ParameterLookup.h"

namespace {

size_t lineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

// Entries numbered 0, 1, 2, ... in order, each with a name of its own.
template <class Entry>
void expectNumberedAndNamedOnce(const std::vector<Entry>& entries) {
    std::set<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].index, static_cast<int>(i));
        EXPECT_FALSE(entries[i].name.empty()) << i;
        EXPECT_TRUE(names.insert(entries[i].name).second) << entries[i].name;
    }
}

}  // namespace

TEST(ModulationListing, ListsEverySourceAndTargetInMatrixOrder) {
    KestrumPlugin plugin;
    ModulationListing listing(plugin);
    ASSERT_EQ(listing.sources().size(), 34u);
    ASSERT_EQ(listing.targets().size(), 113u);

    expectNumberedAndNamedOnce(listing.sources());
    expectNumberedAndNamedOnce(listing.targets());
    const auto& sources = listing.sources();
    EXPECT_EQ(sources[0].name, "XY 1 Hor");
    EXPECT_EQ(sources[7].name, "XY 4 Ver");
    EXPECT_EQ(sources[7].item, "XY Controller 4");
    EXPECT_EQ(sources[8].name, "XLFO 1");
    EXPECT_EQ(sources[14].name, "EG 1");
    EXPECT_EQ(sources[23].name, "EF 4");
    EXPECT_EQ(sources[33].name, "MIDI 10");
    EXPECT_EQ(sources[33].item, "MIDI Source 10");
    EXPECT_EQ(sources[33].activeCount, "Num Active MIDI Sources");
    EXPECT_EQ(sources[33].itemNumber, 10);

    for (const ModulationListing::Target& t : listing.targets()) {
        EXPECT_FALSE(t.parameter.empty()) << t.name;
        EXPECT_NE(t.range.find(" .. "), std::string::npos) << t.name;
    }
    const auto& targets = listing.targets();
    EXPECT_EQ(targets[0].name, "Filter 1 Freq");
    EXPECT_EQ(targets[0].range, "4.812 Hz .. 75616 Hz");
    EXPECT_EQ(targets[0].owner, "");
    EXPECT_EQ(targets[16].name, "XLFO 1 Freq");
    EXPECT_EQ(targets[16].parameter, "XLFO 1 Frequency");
    EXPECT_EQ(targets[16].owner, "XLFO 1");
    EXPECT_EQ(targets[19].name, "XLFO 1 Phase Offset");
    EXPECT_EQ(targets[45].name, "EG 1 Delay");
    EXPECT_EQ(targets[45].owner, "EG 1");
    EXPECT_EQ(targets[83].owner, "EF 4");
    EXPECT_EQ(targets[84].name, "Input Gain");
    EXPECT_EQ(targets[88].name, "Mix");
    EXPECT_EQ(targets[89].name, "Slot 1 Level");
    EXPECT_EQ(targets[89].owner, "Slot 1");
    EXPECT_EQ(targets[112].name, "Slot 24 Level");

    EXPECT_EQ(lineCount(listing.sourcesText()), 34u);
    EXPECT_EQ(lineCount(listing.targetsText()), 113u);
    EXPECT_EQ(listing.sourcesText().rfind("0\tXY 1 Hor\tXY Controller 1\tNum Active XY Controllers >= 1\n", 0), 0u);
}

// The listed names are what the slot parameters take: each selects exactly its own number.
TEST(ModulationListing, EveryListedNameSelectsItsNumberInASlot) {
    KestrumPlugin plugin;
    ModulationListing listing(plugin);
    ParameterLookup lookup(plugin);
    std::string error;
    for (const ModulationListing::Source& s : listing.sources()) {
        ASSERT_TRUE(lookup.apply("Slot 3 Source=" + s.name, error)) << error;
        EXPECT_EQ(plugin.slots.at(2).source.getSourceIndex(), s.index) << s.name;
    }
    for (const ModulationListing::Target& t : listing.targets()) {
        ASSERT_TRUE(lookup.apply("Slot 3 Target=" + t.name, error)) << error;
        EXPECT_EQ(plugin.slots.at(2).target.getTargetIndex(), t.index) << t.name;
        ModulationTargetParameter* p = plugin.getTargetParameter(t.index);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getName(), t.parameter);
    }
}

// docs/modulation.md carries the generated tables verbatim, so it cannot drift from the product.
TEST(ModulationListing, DocumentCarriesTheCurrentLists) {
    KestrumPlugin plugin;
    ModulationListing listing(plugin);
    std::ifstream file(std::string(KESTRUM_SOURCE_DIR) + "/docs/modulation.md", std::ios::binary);
    ASSERT_TRUE(file.is_open());
    std::ostringstream doc;
    doc << file.rdbuf();
    EXPECT_NE(doc.str().find(listing.sourcesMarkdown()), std::string::npos)
        << "docs/modulation.md: the source table differs; it should read:\n" << listing.sourcesMarkdown();
    EXPECT_NE(doc.str().find(listing.targetsMarkdown()), std::string::npos)
        << "docs/modulation.md: the target table differs; it should read:\n" << listing.targetsMarkdown();
}
