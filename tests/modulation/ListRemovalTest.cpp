#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/SetsTestPlugin.h"

namespace {

struct Connection {
    int source;
    int target;
    bool operator==(const Connection&) const = default;
};

// Fills the first slots with connections and makes exactly those slots active.
void connectSlots(SetsTestPlugin& plugin, const std::vector<Connection>& connections) {
    plugin.slots.getNumActive().setValue(static_cast<float>(connections.size()), 0);
    for (size_t s = 0; s < connections.size(); ++s) {
        ModulationSlotParameterSet& slot = plugin.slots.at(static_cast<int>(s));
        ASSERT_TRUE(slot.source.setSourceIndex(connections[s].source, 0));
        ASSERT_TRUE(slot.target.setTargetIndex(connections[s].target, 0));
    }
}

std::vector<Connection> activeConnections(SetsTestPlugin& plugin) {
    std::vector<Connection> result;
    for (int s = 0; s < plugin.slots.getActiveCount(); ++s) {
        result.push_back({plugin.getSlotSource(s), plugin.getSlotTarget(s)});
    }
    return result;
}

TEST(ListRemoval, RemovingXLFO2Of3MovesXLFO3DownWithItsSlots) {
    SetsTestPlugin plugin;
    plugin.xlfos.getNumActive().setValue(3.0f, 0);
    XLFOParameterSet& x3 = plugin.xlfos.at(2);
    plugin.xlfos.at(0).balance.setValue(0.2f, 0);
    plugin.xlfos.at(1).balance.setValue(0.4f, 0);
    x3.balance.setValue(0.7f, 0);
    x3.frequency.setValue(0.9f, 0);
    x3.syncMode.setValue(3.0f, 0);
    x3.steps.getNumActive().setValue(5.0f, 0);
    x3.steps.at(0).value.setValue(-0.5f, 0);
    plugin.xlfoExtensions.at(2).phaseOffset.setValue(0.25f, 0);
    plugin.xlfoExtensions.at(2).snap.setValue(1.0f, 0);

    connectSlots(plugin, {
                             {8, 0},    // XLFO 1 -> Filter 1 Freq: stays
                             {9, 1},    // XLFO 2 -> Filter 1 Pan: gone
                             {10, 2},   // XLFO 3 -> Filter 1 Peak: follows XLFO 3 (source 9)
                             {14, 22},  // EG 1 -> XLFO 2 Glide: gone with XLFO 2
                             {0, 27},   // XY 1 Hor -> XLFO 3 Phase Offset: follows (target 23)
                             {20, 90},  // EF 1 -> Slot 2 Level: gone with slot 2
                             {12, 24},  // XLFO 5 (inactive) -> XLFO 3 Freq: source kept, target follows
                         });
    plugin.xlfos.removeItem(1);

    EXPECT_EQ(plugin.xlfos.getActiveCount(), 2);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 0}, {9, 2}, {0, 23}, {12, 20}}));

    XLFOParameterSet& x2 = plugin.xlfos.at(1);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(0).balance.getValue(), 0.2f);
    EXPECT_FLOAT_EQ(x2.balance.getValue(), 0.7f);
    EXPECT_FLOAT_EQ(x2.frequency.getValue(), 0.9f);
    EXPECT_FLOAT_EQ(x2.syncMode.getValue(), 3.0f);
    EXPECT_EQ(x2.steps.getActiveCount(), 5);
    EXPECT_FLOAT_EQ(x2.steps.at(0).value.getValue(), -0.5f);
    EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(1).phaseOffset.getValue(), 0.25f);
    EXPECT_TRUE(plugin.xlfoExtensions.at(1).snap.getStoredValue());

    // XLFO 3 is back at its defaults.
    EXPECT_FLOAT_EQ(x3.balance.getValue(), 0.5f);
    EXPECT_FLOAT_EQ(x3.frequency.getValue(), x3.frequency.getDefaultValue());
    EXPECT_FLOAT_EQ(x3.syncMode.getValue(), 0.0f);
    EXPECT_EQ(x3.steps.getActiveCount(), 2);
    EXPECT_FLOAT_EQ(x3.steps.at(0).value.getValue(), 0.0f);
    EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(2).phaseOffset.getValue(), 0.0f);
    EXPECT_FALSE(plugin.xlfoExtensions.at(2).snap.getStoredValue());
}

TEST(ListRemoval, RemovingFilter1Of2DeletesItsSlotsAndRetargetsFilter2) {
    SetsTestPlugin plugin;
    plugin.filters.getNumActive().setValue(2.0f, 0);
    plugin.filters.at(1).freq.setValue(0.3f, 0);
    plugin.filters.at(1).characteristic.setValue(2.0f, 0);
    connectSlots(plugin, {
                             {8, 0},   // Filter 1 Freq: gone
                             {9, 5},   // Filter 2 Pan -> Filter 1 Pan
                             {14, 3},  // Filter 1 Delay: gone
                             {10, 7},  // Filter 2 Delay -> Filter 1 Delay
                             {11, 8},  // Filter 3 Freq (inactive, did not move): kept
                             {20, 89}, // Slot 1 Level: slot 1 is gone, so is this one
                             {0, 84},  // Input Gain: kept
                         });
    plugin.filters.removeItem(0);
    EXPECT_EQ(plugin.filters.getActiveCount(), 1);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{9, 1}, {10, 3}, {11, 8}, {0, 84}}));
    EXPECT_FLOAT_EQ(plugin.filters.at(0).freq.getValue(), 0.3f);
    EXPECT_FLOAT_EQ(plugin.filters.at(0).characteristic.getValue(), 2.0f);
    EXPECT_FLOAT_EQ(plugin.filters.at(1).freq.getValue(), 1.0f);
    EXPECT_FLOAT_EQ(plugin.filters.at(1).characteristic.getValue(), 6.0f);
}

TEST(ListRemoval, TheOnlyFilterAndInactiveItemsCannotBeRemoved) {
    SetsTestPlugin plugin;
    plugin.filters.at(0).freq.setValue(0.4f, 0);
    connectSlots(plugin, {{8, 0}, {9, 4}});
    plugin.filters.removeItem(0);
    EXPECT_EQ(plugin.filters.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(plugin.filters.at(0).freq.getValue(), 0.4f);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 0}, {9, 4}}));

    // An inactive item: nothing is deleted and nothing moves.
    plugin.filters.getNumActive().setValue(2.0f, 0);
    connectSlots(plugin, {{8, 0}, {9, 8}, {10, 12}});
    plugin.filters.removeItem(2);
    plugin.filters.removeItem(-1);
    plugin.xlfos.removeItem(0);  // no XLFO is active
    EXPECT_EQ(plugin.filters.getActiveCount(), 2);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 0}, {9, 8}, {10, 12}}));
}

TEST(ListRemoval, SourcesWithTwoOutputsAndSourcesWithoutTargets) {
    SetsTestPlugin plugin;
    plugin.xyControllers.getNumActive().setValue(2.0f, 0);
    plugin.xyControllers.at(1).hor.setValue(0.6f, 0);
    connectSlots(plugin, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}});
    plugin.xyControllers.removeItem(0);
    // XY 1's outputs are gone; XY 2's become XY 1's; XY 3 is inactive and keeps its outputs.
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{0, 2}, {1, 3}, {4, 4}}));
    EXPECT_FLOAT_EQ(plugin.xyControllers.at(0).hor.getValue(), 0.6f);
    EXPECT_FLOAT_EQ(plugin.xyControllers.at(1).hor.getValue(), 0.0f);

    plugin.midiSources.getNumActive().setValue(3.0f, 0);
    plugin.midiSources.at(1).controllerNumber.setValue(74.0f, 0);
    plugin.midiExtensions.at(1).responseCurve.setValue(4.0f, 0);
    connectSlots(plugin, {{24, 0}, {25, 1}, {26, 2}});
    plugin.midiSources.removeItem(0);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{24, 1}, {25, 2}}));
    EXPECT_FLOAT_EQ(plugin.midiSources.at(0).controllerNumber.getValue(), 74.0f);
    EXPECT_FLOAT_EQ(plugin.midiExtensions.at(0).responseCurve.getValue(), 4.0f);
    EXPECT_FLOAT_EQ(plugin.midiExtensions.at(1).responseCurve.getValue(), 0.0f);
}

TEST(ListRemoval, EnvelopeTargetsInTheExtensionFollowTheirGenerator) {
    SetsTestPlugin plugin;
    plugin.egs.getNumActive().setValue(2.0f, 0);
    plugin.egExtensions.at(1).hold.setValue(0.6f, 0);
    connectSlots(plugin, {{8, 44}, {8, 51}, {15, 0}, {14, 1}});
    plugin.egs.removeItem(0);
    // EG 1 Hold and the slot that used EG 1 are gone; EG 2 Delay (51) is now EG 1 Delay (45).
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 45}, {14, 0}}));
    EXPECT_FLOAT_EQ(plugin.egExtensions.at(0).hold.getValue(), 0.6f);
    EXPECT_FLOAT_EQ(plugin.egExtensions.at(1).hold.getValue(), 0.0f);
}

TEST(ListRemoval, AnInactiveSlotOnARemovedItemIsClearedToo) {
    SetsTestPlugin plugin;
    plugin.xlfos.getNumActive().setValue(2.0f, 0);
    connectSlots(plugin, {{9, 0}});
    // Slot 4 lies beyond the active slots but still holds a connection (an old preset, say).
    plugin.slots.at(4).source.setSourceIndex(9, 0);
    plugin.slots.at(4).target.setTargetIndex(1, 0);
    plugin.xlfos.removeItem(1);
    EXPECT_EQ(plugin.slots.getActiveCount(), 0);
    for (int s = 0; s < 24; ++s) EXPECT_EQ(plugin.getSlotSource(s), -1) << s;
}

// --- The slot list itself ---------------------------------------------------------------------

TEST(SlotListRemoval, LevelModulationFollowsItsSlot) {
    SetsTestPlugin plugin;
    // Slot index 3 modulates Slot 3 Level, the level of slot index 2.
    connectSlots(plugin, {{8, 0}, {9, 1}, {10, 2}, {11, 91}});
    plugin.slots.at(2).level.setValue(0.8f, 0);
    plugin.slots.removeItem(1);
    EXPECT_EQ(plugin.slots.getActiveCount(), 3);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 0}, {10, 2}, {11, 90}}));
    EXPECT_FLOAT_EQ(plugin.slots.at(1).level.getValue(), 0.8f);
    // The freed slot is back at its defaults.
    EXPECT_EQ(plugin.getSlotSource(3), -1);
    EXPECT_FLOAT_EQ(plugin.slots.at(3).level.getValue(), 0.5f);
}

TEST(SlotListRemoval, SlotsOnTheRemovedLevelGoFirstAndTheIndexFollows) {
    SetsTestPlugin plugin;
    connectSlots(plugin, {
                             {8, 92},   // modulates slot 4's level: deleted, in front of slot 4
                             {9, 0},
                             {10, 1},
                             {11, 2},   // slot 4: the one removed
                             {12, 90},  // modulates slot 2's level: follows slot 2 to index 0
                         });
    plugin.slots.removeItem(3);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{9, 0}, {10, 1}, {12, 89}}));
}

TEST(SlotListRemoval, ASlotOnItsOwnLevelIsRemovedOnce) {
    SetsTestPlugin plugin;
    connectSlots(plugin, {{8, 0}, {9, 90}, {10, 2}});
    plugin.slots.removeItem(1);
    EXPECT_EQ(activeConnections(plugin), (std::vector<Connection>{{8, 0}, {10, 2}}));
    EXPECT_EQ(plugin.getSlotSource(2), -1);
}

// --- Removal never leaves a slot pointing at the wrong parameter -----------------------------

// Every target parameter and every source item gets a distinct marker value; a slot's meaning is
// the pair of markers it points at. After a removal, every slot that survives must point at the
// same markers as before (items moved, slots followed), and exactly the slots on the removed
// item (and the slots on their levels, in turn) must be gone.
class RemovalModel {
public:
    explicit RemovalModel(SetsTestPlugin& p) : plugin(p) {}

    void setMarkers() {
        for (int t = 0; t < AbstractModulationOwner::kNumTargets; ++t) {
            ModulationTargetParameter* p = plugin.getTargetParameter(t);
            p->setValue(p->denormalize(0.05f + 0.007f * static_cast<float>(t)), 0);
        }
        for (int s = 0; s < 8; ++s) {
            XYParameterSet& xy = plugin.xyControllers.at(s / 2);
            (s % 2 ? xy.ver : xy.hor).setValue(-0.9f + 0.1f * static_cast<float>(s), 0);
        }
        for (int k = 0; k < 6; ++k) plugin.xlfos.at(k).balance.setValue(0.03f + 0.16f * static_cast<float>(k), 0);
        for (int k = 0; k < 6; ++k) plugin.egs.at(k).threshold.setValue(0.05f + 0.1f * static_cast<float>(k), 0);
        for (int k = 0; k < 10; ++k) plugin.midiSources.at(k).controllerNumber.setValue(10.0f + k, 0);
    }

    float sourceMarker(int s) {
        if (s < 0) return -1000.0f;
        if (s < 8) {
            XYParameterSet& xy = plugin.xyControllers.at(s / 2);
            return (s % 2 ? xy.ver : xy.hor).getValue();
        }
        if (s < 14) return plugin.xlfos.at(s - 8).balance.getValue();
        if (s < 20) return plugin.egs.at(s - 14).threshold.getValue();
        if (s < 24) return plugin.efs.at(s - 20).attack.getValue();
        return plugin.midiSources.at(s - 24).controllerNumber.getValue();
    }

    float targetMarker(int t) { return t < 0 ? -1000.0f : plugin.getTargetParameter(t)->getValue(); }

    SetsTestPlugin& plugin;
};

struct ListInfo {
    AbstractParameterSetList* list;
    int firstSource, sourcesPerItem, firstTarget, targetsPerItem;
};

TEST(ListRemoval, RandomRemovalsKeepEverySurvivingSlotOnTheSameParameters) {
    std::mt19937 random(20240611);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        SetsTestPlugin plugin;
        RemovalModel model(plugin);
        model.setMarkers();
        const ListInfo lists[] = {
            {&plugin.filters, 0, 0, 0, 4},     {&plugin.xlfos, 8, 1, 16, 4},        {&plugin.egs, 14, 1, 40, 6},
            {&plugin.efs, 20, 1, 76, 2},       {&plugin.midiSources, 24, 1, 0, 0},  {&plugin.xyControllers, 0, 2, 0, 0},
            {&plugin.slots, 0, 0, 89, 1},
        };
        for (const ListInfo& info : lists) {
            if (info.list != &plugin.slots) info.list->getNumActive().setValue(static_cast<float>(uniform(0, info.list->getMaxActive())), 0);
        }
        // Random connections, including loops, slots on their own level and inactive items.
        const int slotCount = uniform(1, 24);
        std::vector<Connection> connections;
        for (int s = 0; s < slotCount; ++s) {
            // One in three modulates the level of an active slot, so chains of levels are common.
            const int target = uniform(0, 2) == 0 ? 89 + uniform(0, slotCount - 1) : uniform(-1, 112);
            connections.push_back({uniform(-1, 33), target});
        }
        connectSlots(plugin, connections);

        const ListInfo& info = lists[uniform(0, 6)];
        const int k = uniform(0, info.list->getMaxActive() - 1);
        const int active = info.list->getActiveCount();
        const bool removable = k < active && active > info.list->getMinActive();
        const bool isSlotList = info.list == &plugin.slots;

        // The slots that must go: on the item's sources or targets (or the slot itself), then
        // every slot on the level of a slot that goes.
        std::set<int> gone;
        if (removable) {
            if (isSlotList) gone.insert(k);
            for (int s = 0; s < slotCount; ++s) {
                const auto [source, target] = connections[static_cast<size_t>(s)];
                const int firstS = info.firstSource + info.sourcesPerItem * k;
                const int firstT = info.firstTarget + info.targetsPerItem * k;
                if ((source >= firstS && source < firstS + info.sourcesPerItem) ||
                    (target >= firstT && target < firstT + info.targetsPerItem)) {
                    gone.insert(s);
                }
            }
            for (bool grew = true; grew;) {
                grew = false;
                for (int s = 0; s < slotCount; ++s) {
                    const int target = connections[static_cast<size_t>(s)].target;
                    if (!gone.count(s) && target >= 89 && gone.count(target - 89)) grew = gone.insert(s).second;
                }
            }
        }
        struct Meaning {
            float level, source, target;
        };
        std::vector<Meaning> survivors;
        for (int s = 0; s < slotCount; ++s) {
            if (gone.count(s)) continue;
            const Connection& c = connections[static_cast<size_t>(s)];
            survivors.push_back({plugin.slots.at(s).level.getValue(), model.sourceMarker(c.source), model.targetMarker(c.target)});
        }

        info.list->removeItem(k);

        ASSERT_EQ(plugin.slots.getActiveCount(), static_cast<int>(survivors.size()))
            << info.list->getName() << " item " << k;
        for (const Meaning& m : survivors) {
            int found = -1;
            for (int s = 0; s < plugin.slots.getActiveCount(); ++s) {
                if (plugin.slots.at(s).level.getValue() == m.level) found = s;
            }
            ASSERT_GE(found, 0) << info.list->getName() << " item " << k;
            EXPECT_FLOAT_EQ(model.sourceMarker(plugin.getSlotSource(found)), m.source) << info.list->getName() << " item " << k;
            EXPECT_FLOAT_EQ(model.targetMarker(plugin.getSlotTarget(found)), m.target) << info.list->getName() << " item " << k;
        }
        if (!removable) {
            EXPECT_EQ(activeConnections(plugin), connections);
        }
    }
}

}  // namespace
