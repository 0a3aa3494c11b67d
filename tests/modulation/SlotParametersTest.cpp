#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/SetsTestPlugin.h"

namespace {

using Slot = ModulationSlotParameterSet;

TEST(SlotParameters, SourceMenuCarriesMatrixSourceIndices) {
    const auto& items = Slot::sourceItems();
    const auto& values = Slot::sourceValues();
    ASSERT_EQ(items.size(), 35u);
    ASSERT_EQ(values.size(), 35u);
    EXPECT_EQ(items[0], "< Source >");
    EXPECT_EQ(values[0], 0);
    auto valueOf = [&](const std::string& item) {
        auto it = std::find(items.begin(), items.end(), item);
        return it == items.end() ? -100 : values[static_cast<size_t>(it - items.begin())];
    };
    EXPECT_EQ(items[1], "XLFO 1");
    EXPECT_EQ(valueOf("XLFO 1"), 8 + 1);
    EXPECT_EQ(valueOf("EG 1"), 14 + 1);
    EXPECT_EQ(valueOf("EF 4"), 23 + 1);
    EXPECT_EQ(valueOf("MIDI 1"), 24 + 1);
    EXPECT_EQ(valueOf("MIDI 10"), 33 + 1);
    EXPECT_EQ(valueOf("XY 1 Hor"), 0 + 1);
    EXPECT_EQ(valueOf("XY 1 Ver"), 1 + 1);
    EXPECT_EQ(valueOf("XY 4 Ver"), 7 + 1);
    EXPECT_EQ(items.back(), "XY 4 Ver");
    // Every source appears exactly once.
    std::set<int> distinct(values.begin() + 1, values.end());
    EXPECT_EQ(distinct.size(), 34u);
    EXPECT_EQ(*distinct.begin(), 1);
    EXPECT_EQ(*distinct.rbegin(), 34);
}

TEST(SlotParameters, TargetMenuCarriesMatrixTargetIndices) {
    const auto& items = Slot::targetItems();
    const auto& values = Slot::targetValues();
    ASSERT_EQ(items.size(), 114u);
    EXPECT_EQ(items[0], "< Target >");
    EXPECT_EQ(items[1], "Filter 1 Freq");
    EXPECT_EQ(items[2], "Filter 1 Pan");
    EXPECT_EQ(items[17], "XLFO 1 Freq");
    EXPECT_EQ(items[18], "XLFO 1 Offset");
    EXPECT_EQ(items.back(), "EG 6 Delay");
    std::set<int> distinct(values.begin() + 1, values.end());
    EXPECT_EQ(distinct.size(), 113u);
    EXPECT_EQ(*distinct.begin(), 1);
    EXPECT_EQ(*distinct.rbegin(), 113);

    // The menu names agree with the parameters registered at each target index.
    SetsTestPlugin plugin;
    const std::pair<const char*, const char*> agree[] = {
        {"Filter 3 Delay", "Filter 3 Delay"},     {"XLFO 2 Freq", "XLFO 2 Frequency"},
        {"XLFO 2 Offset", "XLFO 2 Frequency Offset"}, {"XLFO 6 Phase Offset", "XLFO 6 Phase Offset"},
        {"EG 3 Sustain", "EG 3 Sustain"},         {"EG 4 Hold", "EG 4 Hold"},
        {"EF 2 Attack", "EF 2 Attack"},           {"Output Pan", "Output Pan"},
        {"Slot 24 Level", "Slot 24 Level"},
    };
    for (const auto& [item, parameter] : agree) {
        const auto it = std::find(items.begin(), items.end(), item);
        ASSERT_NE(it, items.end()) << item;
        const int target = values[static_cast<size_t>(it - items.begin())] - 1;
        EXPECT_EQ(plugin.getTargetParameter(target)->getName(), parameter) << item;
    }
}

TEST(SlotParameters, StoredTargetTwentyIsAlwaysXLFO1PhaseOffset) {
    SetsTestPlugin plugin;
    Slot& slot = plugin.slots.at(0);
    ASSERT_TRUE(slot.target.setTargetIndex(19, 0));
    EXPECT_EQ(slot.target.getStoredValue(), 20);
    EXPECT_EQ(slot.target.getTargetIndex(), 19);
    EXPECT_EQ(slot.target.formatValue(slot.target.getValue()), "XLFO 1 Phase Offset");
    // Its menu position is not its value...
    EXPECT_NE(slot.target.getValue(), 20.0f);
    // ...and the position of value 20 in the menu means XLFO 1 Phase Offset wherever it is.
    EXPECT_EQ(slot.target.appliedValue(slot.target.getValue()), 20);
    float parsed = 0.0f;
    ASSERT_TRUE(slot.target.parseText("XLFO 1 Phase Offset", parsed));
    EXPECT_FLOAT_EQ(parsed, slot.target.getValue());

    ASSERT_TRUE(slot.source.setSourceIndex(0, 0));
    EXPECT_EQ(slot.source.formatValue(slot.source.getValue()), "XY 1 Hor");
    ASSERT_TRUE(slot.source.setSourceIndex(13, 0));
    EXPECT_EQ(slot.source.formatValue(slot.source.getValue()), "XLFO 6");

    // Indices that are no source or target change nothing.
    EXPECT_FALSE(slot.source.setSourceIndex(34, 0));
    EXPECT_FALSE(slot.target.setTargetIndex(113, 0));
    EXPECT_FALSE(slot.target.setTargetIndex(-2, 0));
    EXPECT_EQ(slot.source.getSourceIndex(), 13);
    EXPECT_EQ(slot.target.getTargetIndex(), 19);
    ASSERT_TRUE(slot.target.setTargetIndex(-1, 0));
    EXPECT_EQ(slot.target.getTargetIndex(), -1);
    EXPECT_EQ(slot.target.formatValue(slot.target.getValue()), "< Target >");
}

TEST(SlotParameters, LevelSwitchesAndDefaults) {
    SetsTestPlugin plugin;
    Slot& slot = plugin.slots.at(4);
    EXPECT_EQ(slot.level.getTarget(), 89 + 4);
    EXPECT_FLOAT_EQ(slot.level.getDefaultValue(), 0.5f);
    EXPECT_NEAR(slot.getLevel(), 0.16f, 1e-7f);
    EXPECT_NEAR(slot.level.plainValue(0.9f), 0.91f, 1e-6f);
    EXPECT_EQ(slot.source.getSourceIndex(), -1);
    EXPECT_EQ(slot.target.getTargetIndex(), -1);
    EXPECT_EQ(slot.bypassed.formatValue(1.0f), "Bypassed");
    EXPECT_EQ(slot.inverted.formatValue(1.0f), "Inverted");
    EXPECT_EQ(slot.inverted.formatValue(0.0f), "Normal");
}

struct RecordingListener : Slot::Listener {
    void slotValueApplied(int slot, Slot::Member member, int value) override { calls.emplace_back(slot, member, value); }
    std::vector<std::tuple<int, Slot::Member, int>> calls;
};

TEST(SlotParameters, AppliedValuesReachTheListenerAsMatrixIndices) {
    SetsTestPlugin plugin;
    RecordingListener listener;
    plugin.slots.setListener(&listener);
    Slot& slot = plugin.slots.at(2);
    slot.source.setSourceIndex(9, 0);
    slot.target.setTargetIndex(88, 0);
    slot.bypassed.setValue(1.0f, 0);
    slot.inverted.setValue(1.0f, 0);
    slot.level.setValue(1.0f, 0);
    plugin.applyQueuedChanges();
    using C = std::tuple<int, Slot::Member, int>;
    const std::vector<C> expected = {C{2, Slot::kSource, 9}, C{2, Slot::kTarget, 88}, C{2, Slot::kBypassed, 1},
                                     C{2, Slot::kInverted, 1}};
    EXPECT_EQ(listener.calls, expected);
    // The level goes through the target table like every target.
    ASSERT_FALSE(plugin.applied.empty());
    EXPECT_EQ(plugin.applied.back().first, 91);
    EXPECT_FLOAT_EQ(plugin.applied.back().second, 1.0f);

    listener.calls.clear();
    slot.source.setSourceIndex(-1, 0);
    plugin.applyQueuedChanges();
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(std::get<2>(listener.calls[0]), -1);
}

TEST(SlotParameters, ClearingASlotClearsTheSlotsOnItsLevelInTurn) {
    SetsTestPlugin plugin;
    auto connect = [&](int s, int source, int target) {
        plugin.slots.at(s).source.setSourceIndex(source, 0);
        plugin.slots.at(s).target.setTargetIndex(target, 0);
        plugin.slots.at(s).level.setValue(0.8f, 0);
    };
    plugin.slots.getNumActive().setValue(7.0f, 0);
    connect(0, 8, 0);        // XLFO 1 -> Filter 1 Freq
    connect(5, 9, 89 + 0);   // XLFO 2 -> Slot 1 Level
    connect(2, 10, 89 + 5);  // XLFO 3 -> Slot 6 Level
    connect(6, 11, 89 + 6);  // a slot on its own level: cleared once, no endless loop
    connect(3, 12, 1);       // unrelated
    plugin.slots.at(0).bypassed.setValue(1.0f, 0);
    plugin.slots.at(0).inverted.setValue(1.0f, 0);

    EXPECT_EQ(plugin.slots.clearSlot(0), (std::vector<int>{0, 5, 2}));
    for (int s : {0, 5, 2}) {
        Slot& slot = plugin.slots.at(s);
        EXPECT_EQ(slot.source.getSourceIndex(), -1);
        EXPECT_EQ(slot.target.getTargetIndex(), -1);
        EXPECT_FLOAT_EQ(slot.getLevel(), 0.0f);
        EXPECT_FALSE(slot.bypassed.getStoredValue());
        EXPECT_FALSE(slot.inverted.getStoredValue());
    }
    EXPECT_EQ(plugin.slots.at(3).target.getTargetIndex(), 1);
    EXPECT_EQ(plugin.slots.clearSlot(6), std::vector<int>{6});
    EXPECT_TRUE(plugin.slots.clearSlot(24).empty());
    // Clearing does not take slots out of the list.
    EXPECT_EQ(plugin.slots.getActiveCount(), 7);
}

}  // namespace
