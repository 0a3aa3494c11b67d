#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "product/KestrumPlugin.h"

// Removing list items through the product, whose slot list and target table are the real ones.
namespace {

void connect(KestrumPlugin& plugin, const std::vector<std::pair<int, int>>& connections) {
    plugin.slots.getNumActive().setValue(static_cast<float>(connections.size()), 0);
    for (size_t s = 0; s < connections.size(); ++s) {
        plugin.setSlotSource(static_cast<int>(s), connections[s].first);
        plugin.setSlotTarget(static_cast<int>(s), connections[s].second);
    }
}

std::vector<std::pair<int, int>> connections(KestrumPlugin& plugin) {
    std::vector<std::pair<int, int>> result;
    for (int s = 0; s < plugin.slots.getActiveCount(); ++s)
        result.emplace_back(plugin.getSlotSource(s), plugin.getSlotTarget(s));
    return result;
}

}  // namespace

TEST(ProductListRemoval, RemovingXLFO2Of3ShiftsValuesAndSlotSources) {
    KestrumPlugin plugin;
    plugin.xlfos.getNumActive().setValue(3.0f, 0);
    plugin.xlfos.at(1).balance.setValue(0.2f, 0);
    plugin.xlfos.at(2).balance.setValue(0.8f, 0);
    plugin.xlfos.at(2).steps.at(3).value.setValue(-0.5f, 0);
    plugin.xlfoExtensions.at(2).phaseOffset.setValue(0.4f, 0);
    connect(plugin, {{8, 0}, {9, 2}, {10, 4}, {10, 84}});

    plugin.xlfos.removeItem(1);

    EXPECT_EQ(plugin.xlfos.getActiveCount(), 2);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(1).balance.getValue(), 0.8f);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(1).steps.at(3).value.getValue(), -0.5f);
    EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(1).phaseOffset.getValue(), 0.4f);
    EXPECT_FLOAT_EQ(plugin.xlfos.at(2).balance.getValue(), plugin.xlfos.at(2).balance.getDefaultValue());
    EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(2).phaseOffset.getValue(), 0.0f);
    const std::vector<std::pair<int, int>> expected = {{8, 0}, {9, 4}, {9, 84}};
    EXPECT_EQ(connections(plugin), expected);
}

TEST(ProductListRemoval, RemovingFilter1Of2DeletesAndRetargetsSlots) {
    KestrumPlugin plugin;
    plugin.filters.getNumActive().setValue(2.0f, 0);
    plugin.filters.at(1).peak.setValue(0.7f, 0);
    connect(plugin, {{8, 0}, {0, 3}, {1, 5}, {14, 7}, {20, 86}});

    plugin.filters.removeItem(0);

    EXPECT_EQ(plugin.filters.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(plugin.filters.at(0).peak.getValue(), 0.7f);
    const std::vector<std::pair<int, int>> expected = {{1, 1}, {14, 3}, {20, 86}};
    EXPECT_EQ(connections(plugin), expected);
}

TEST(ProductListRemoval, RemovingTheOnlyFilterDoesNothing) {
    KestrumPlugin plugin;
    plugin.filters.at(0).peak.setValue(0.4f, 0);
    connect(plugin, {{8, 0}});
    plugin.filters.removeItem(0);
    EXPECT_EQ(plugin.filters.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(plugin.filters.at(0).peak.getValue(), 0.4f);
    const std::vector<std::pair<int, int>> expected = {{8, 0}};
    EXPECT_EQ(connections(plugin), expected);
}
