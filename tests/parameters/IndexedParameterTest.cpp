#include <gtest/gtest.h>

#include <cmath>

#include "RecordingOwner.h"
#include "parameters/IndexedPluginParameter.h"

namespace {

enum class Slope { kOne = 1, kTwo = 2, kThree = 3 };
enum Response { kLowPass, kHighPass, kBandPass };

TEST(IndexedParameter, DenormalizeRoundsAndSetValueTruncates) {
    RecordingOwner owner;
    IndexedPluginParameter<int> p(&owner, "Choice");
    p.setRange(0, 2, 0);
    EXPECT_FLOAT_EQ(p.denormalize(0.49f), 1.0f);
    EXPECT_FLOAT_EQ(p.denormalize(0.24f), 0.0f);
    EXPECT_FLOAT_EQ(p.denormalize(0.26f), 1.0f);
    EXPECT_FLOAT_EQ(p.denormalize(1.0f), 2.0f);
    EXPECT_FLOAT_EQ(p.denormalize(-3.0f), 0.0f);
    EXPECT_FLOAT_EQ(p.denormalize(INFINITY), 2.0f);
    EXPECT_FLOAT_EQ(p.normalize(1.0f), 0.5f);
    EXPECT_FLOAT_EQ(p.normalize(1.9f), 0.5f);
    EXPECT_FLOAT_EQ(p.normalize(1e30f), 1.0f);

    p.setValue(1.9f, 0);
    EXPECT_FLOAT_EQ(p.getValue(), 1.0f);
    ASSERT_EQ(owner.calls.size(), 1u);
    EXPECT_FLOAT_EQ(owner.calls[0].value, 1.0f);

    // The same index again is no change; out of range is limited.
    p.setValue(1.2f, 0);
    EXPECT_EQ(owner.calls.size(), 1u);
    p.setValue(9.0f, 1);
    EXPECT_FLOAT_EQ(p.getValue(), 2.0f);
    EXPECT_EQ(owner.calls.back().flags, 1);
    p.setValue(-1e30f, 0);
    EXPECT_FLOAT_EQ(p.getValue(), 0.0f);

    const size_t before = owner.calls.size();
    p.setValue(NAN, 0);
    p.setValue(INFINITY, 0);
    EXPECT_EQ(owner.calls.size(), before);
    EXPECT_FLOAT_EQ(p.getValue(), 0.0f);
}

TEST(IndexedParameter, RangeSetUpStoresTheDefaultSilently) {
    RecordingOwner owner;
    IndexedPluginParameter<int> p(&owner, "Characteristic");
    p.setRange(0, 10, 6);
    EXPECT_FLOAT_EQ(p.getValue(), 6.0f);
    EXPECT_FLOAT_EQ(p.getDefaultValue(), 6.0f);
    EXPECT_FLOAT_EQ(p.getMinimum(), 0.0f);
    EXPECT_FLOAT_EQ(p.getMaximum(), 10.0f);
    EXPECT_TRUE(owner.calls.empty());
    EXPECT_TRUE(p.isDiscrete());

    IndexedPluginParameter<int> flat(&owner, "Flat");
    flat.setRange(4, 4, 4);
    EXPECT_FLOAT_EQ(flat.normalize(4.0f), 0.0f);
    EXPECT_FLOAT_EQ(flat.denormalize(0.7f), 4.0f);
}

TEST(IndexedParameter, ItemsFormatAndParseWithAMinimum) {
    RecordingOwner owner;
    IndexedPluginParameter<Slope> slope(&owner, "Slope");
    slope.setRange(1, 3, 1);
    slope.setItems("12,24,48");
    EXPECT_EQ(slope.formatValue(2.0f), "24");
    EXPECT_EQ(slope.formatValue(3.0f), "48");
    EXPECT_FALSE(slope.isNumeric());
    float out = 0.0f;
    EXPECT_TRUE(slope.parseText("24", out));
    EXPECT_FLOAT_EQ(out, 2.0f);
    // An index that is not shown is no value: "3" is not one of the slopes.
    EXPECT_FALSE(slope.parseText("3", out));
    EXPECT_FLOAT_EQ(out, 1.0f);
    // Refused text gives the current value back with false.
    EXPECT_FALSE(slope.parseText("96", out));
    EXPECT_FLOAT_EQ(out, 1.0f);
    EXPECT_FALSE(slope.parseText("", out));
    EXPECT_FALSE(slope.parseText("99999999999999999999", out));

    slope.setValue(3.0f, 0);
    EXPECT_EQ(slope.getStoredValue(), Slope::kThree);
}

TEST(IndexedParameter, ItemsMatchExactlyFirstThenIgnoringCase) {
    RecordingOwner owner;
    IndexedPluginParameter<Response> response(&owner, "Response");
    response.setRange(0, 2, 0);
    response.setItems("LP,HP,BP");
    float out = -1.0f;
    EXPECT_TRUE(response.parseText("HP", out));
    EXPECT_FLOAT_EQ(out, 1.0f);
    EXPECT_TRUE(response.parseText("hp", out));
    EXPECT_FLOAT_EQ(out, 1.0f);

    IndexedPluginParameter<int> p(&owner, "Case");
    p.setRange(0, 1, 0);
    p.setItems("a,A");
    EXPECT_TRUE(p.parseText("A", out));
    EXPECT_FLOAT_EQ(out, 1.0f);
    EXPECT_TRUE(p.parseText("a", out));
    EXPECT_FLOAT_EQ(out, 0.0f);
}

// A switch whose names are numbers takes exactly those names: a decimal, an exponent or an index
// that is not shown picks nothing, where a lenient reading would pick some other position.
TEST(IndexedParameter, SwitchTakesOnlyWhatItShows) {
    RecordingOwner owner;
    using V = AbstractPluginParameter::TextVerdict;
    IndexedPluginParameter<int> routing(&owner, "Routing");
    routing.setRange(0, 7, 0);
    routing.setItems("1,2,3,4,5,6,7,8");
    float out = -1.0f;
    EXPECT_EQ(routing.readText(" 3 ", out), V::Accepted);
    EXPECT_FLOAT_EQ(out, 2.0f);
    for (const char* text : {"3.0", "1e308", "9", "0", "+3", "3 bananas", "", "three"}) {
        EXPECT_EQ(routing.readText(text, out), V::NotAValue) << text;
        EXPECT_FLOAT_EQ(out, 0.0f) << text;
    }
    EXPECT_EQ(routing.acceptedText(), "one of 1, 2, 3, 4, 5, 6, 7, 8");

    // A parameter that shows its numbers takes them in any integer spelling, and says when one is
    // outside its range.
    IndexedPluginParameter<int> count(&owner, "Count");
    count.setRange(1, 4, 1);
    EXPECT_EQ(count.readText("+3", out), V::Accepted);
    EXPECT_FLOAT_EQ(out, 3.0f);
    EXPECT_EQ(count.readText("04", out), V::Accepted);
    EXPECT_FLOAT_EQ(out, 4.0f);
    EXPECT_EQ(count.readText("5", out), V::OutOfRange);
    EXPECT_EQ(count.readText("-1", out), V::OutOfRange);
    EXPECT_EQ(count.readText("99999999999999999999", out), V::NotAValue);
    for (const char* text : {"2.0", "2 x", "+-2", "0x2"}) EXPECT_EQ(count.readText(text, out), V::NotAValue) << text;
    EXPECT_EQ(count.acceptedText(), "a whole number from 1 to 4");

    // With a value map the shown number is the mapped value, not the position.
    static const int kMap[] = {10, 20, 40};
    IndexedPluginParameter<int> mapped(&owner, "Mapped");
    mapped.setValueMap(kMap, 3, 0);
    EXPECT_EQ(mapped.readText("40", out), V::Accepted);
    EXPECT_FLOAT_EQ(out, 2.0f);
    EXPECT_EQ(mapped.readText("2", out), V::OutOfRange);
    EXPECT_EQ(mapped.acceptedText(), "one of 10, 20, 40");

    // Long lists are shortened in the message.
    IndexedPluginParameter<int> menu(&owner, "Menu");
    menu.setRange(0, 29, 0);
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i) names.push_back(std::string(1, 'N').append(std::to_string(i)));
    menu.setItems(names);
    const std::string accepted = menu.acceptedText();
    EXPECT_EQ(accepted.rfind("one of N0, N1, ", 0), 0u) << accepted;
    EXPECT_NE(accepted.find("N13, ..., N29 (30 values)"), std::string::npos) << accepted;
    EXPECT_EQ(accepted.find("N14"), std::string::npos) << accepted;
}

TEST(IndexedParameter, ItemListSplitsAtEveryComma) {
    RecordingOwner owner;
    IndexedPluginParameter<int> p(&owner, "Split");
    p.setRange(0, 3, 0);
    p.setItems("Off,,On,");
    ASSERT_EQ(p.getItems().size(), 4u);
    EXPECT_EQ(p.getItems()[1], "");
    EXPECT_EQ(p.getItems()[3], "");
    EXPECT_EQ(p.formatValue(2.0f), "On");

    // A new range set-up drops the names; a position without a name prints as a number.
    p.setRange(0, 5, 0);
    EXPECT_TRUE(p.isNumeric());
    EXPECT_EQ(p.formatValue(5.0f), "5");
    p.setItems("x,y");
    EXPECT_EQ(p.formatValue(4.0f), "4");
}

TEST(IndexedParameter, ValueMapStoresMappedValuesAndReportsPositions) {
    RecordingOwner owner;
    static const int kMap[] = {0, 9, 15, 21};
    IndexedPluginParameter<int> p(&owner, "Source");
    p.setRange(0, 0, 0);
    p.setValueMap(kMap, 4, 0);
    EXPECT_FLOAT_EQ(p.getMaximum(), 3.0f);
    EXPECT_TRUE(p.isNumeric());
    EXPECT_EQ(p.formatValue(2.0f), "15");

    p.setValue(2.0f, 0);
    EXPECT_EQ(p.getStoredValue(), 15);
    EXPECT_FLOAT_EQ(p.getValue(), 2.0f);
    ASSERT_EQ(owner.calls.size(), 1u);
    EXPECT_FLOAT_EQ(owner.calls[0].value, 2.0f);  // the index travels, not the mapped value

    p.setItems("< Source >,XY 1 Hor,XLFO 1,EG 1");
    EXPECT_EQ(p.formatValue(3.0f), "EG 1");
    float out = 0.0f;
    EXPECT_TRUE(p.parseText("xlfo 1", out));
    EXPECT_FLOAT_EQ(out, 2.0f);

    // A base shifts the positions.
    static const int kShifted[] = {7, 3};
    IndexedPluginParameter<int> q(&owner, "Shifted");
    q.setValueMap(kShifted, 2, 1);
    EXPECT_FLOAT_EQ(q.getMinimum(), 1.0f);
    EXPECT_FLOAT_EQ(q.getMaximum(), 2.0f);
    EXPECT_EQ(q.getStoredValue(), 7);
    q.setValue(2.0f, 0);
    EXPECT_EQ(q.getStoredValue(), 3);
    EXPECT_FLOAT_EQ(q.getValue(), 2.0f);
}

TEST(IndexedParameter, BoolStoresWhetherTheMappedValueIsNonZero) {
    RecordingOwner owner;
    IndexedPluginParameter<bool> p(&owner, "Enabled");
    p.setRange(0, 1, 1);
    p.setItems("Disabled,Enabled");
    EXPECT_TRUE(p.getStoredValue());
    EXPECT_FLOAT_EQ(p.getDefaultValue(), 1.0f);
    p.setValue(0.0f, 0);
    EXPECT_FALSE(p.getStoredValue());
    EXPECT_EQ(p.formatValue(p.getValue()), "Disabled");

    static const int kMap[] = {0, 5};
    IndexedPluginParameter<bool> mapped(&owner, "Mapped");
    mapped.setValueMap(kMap, 2, 0);
    mapped.setValue(1.0f, 0);
    EXPECT_TRUE(mapped.getStoredValue());
    EXPECT_FLOAT_EQ(mapped.getValue(), 1.0f);
    EXPECT_EQ(mapped.formatValue(1.0f), "5");
}

TEST(IndexedParameter, VersionRangesLimitWhatOlderFilesKnew) {
    RecordingOwner owner;
    IndexedPluginParameter<int> p(&owner, "Versioned");
    p.setRange(0, 7, 0);
    EXPECT_FLOAT_EQ(p.normalizeForVersion(7.0f, 1), 1.0f);  // no ranges: plain normalize
    float out = -1.0f;
    EXPECT_TRUE(p.denormalizeForVersion(0.5f, 1, out));
    EXPECT_FLOAT_EQ(out, 4.0f);

    // Version 1 knew values up to 3, version 2 up to 5.
    p.addVersionRange(3, 1);
    p.addVersionRange(5, 2);
    EXPECT_FLOAT_EQ(p.normalizeForVersion(2.0f, 1), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(p.normalizeForVersion(4.0f, 1), 0.0f);  // unknown to version 1
    EXPECT_FLOAT_EQ(p.normalizeForVersion(4.0f, 2), 0.5f);
    EXPECT_FLOAT_EQ(p.normalizeForVersion(3.0f, 2), 0.0f);
    EXPECT_FLOAT_EQ(p.normalizeForVersion(6.0f, 3), 0.5f);

    EXPECT_TRUE(p.denormalizeForVersion(1.0f, 1, out));
    EXPECT_FLOAT_EQ(out, 3.0f);
    EXPECT_TRUE(p.denormalizeForVersion(1.0f, 2, out));
    EXPECT_FLOAT_EQ(out, 5.0f);
    EXPECT_FALSE(p.denormalizeForVersion(0.1f, 2, out));
    EXPECT_FLOAT_EQ(out, 3.0f);
    EXPECT_TRUE(p.denormalizeForVersion(0.0f, 1, out));

    EXPECT_EQ(p.getVersionLimit(1), 3);
    EXPECT_EQ(p.getVersionLimit(2), 5);
    EXPECT_EQ(p.getVersionLimit(4), -1);
}

}  // namespace
