#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/CompareStates.h"
#include "engine/Snapshot.h"
#include "engine/UndoHistory.h"
#include "support/TestPlugin.h"

namespace {

struct Recorder : GenericPlugin::Listener {
    void pluginNotification(int code, int value) override { events.push_back({code, value}); }
    int count(int code) const {
        int n = 0;
        for (auto& e : events) n += e.first == code;
        return n;
    }
    std::vector<std::pair<int, int>> events;
};

struct CountingAdapter : GenericPlugin::Adapter {
    void latencyChanged() override {}
    void parameterChanged(int index) override { changed.push_back(index); }
    void presetChanged() override { ++presets; }
    int presets = 0;
    std::vector<int> changed;
};

void run(TestPlugin& plugin, int frames) {
    std::vector<float> in(static_cast<size_t>(frames), 1.0f), outL(in.size()), outR(in.size());
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, frames);
}

// An edit gesture in the editor: the value, then the undo step.
void edit(TestPlugin& plugin, int parameter, float value) {
    plugin.params[static_cast<size_t>(parameter)]->setValue(value, 0);
    plugin.undoHistory()->recordEdit();
}

float value(TestPlugin& plugin, int parameter) { return plugin.params[static_cast<size_t>(parameter)]->getValue(); }

}  // namespace

TEST(UndoHistory, HundredAndOneEditsGiveHundredStepsBackAndTheOldestIsGone) {
    TestPlugin plugin;
    auto& history = *plugin.undoHistory();
    history.recordInitial();
    EXPECT_EQ(history.current()->description, "Initial state");
    for (int k = 1; k <= 101; ++k) edit(plugin, 0, k / 1000.0f);
    EXPECT_EQ(history.getUndoCount(), 100);

    // Every step back reaches an older edit; the last reaches edit 1, never the initial state and
    // never wrapping round to the newest.
    for (int j = 1; j <= 100; ++j) {
        ASSERT_TRUE(history.undo());
        ASSERT_FLOAT_EQ(value(plugin, 0), (101 - j) / 1000.0f) << "undo step " << j;
    }
    EXPECT_FALSE(history.undo());
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.001f);
    EXPECT_EQ(history.getRedoCount(), 100);

    for (int j = 1; j <= 100; ++j) ASSERT_TRUE(history.redo());
    EXPECT_FALSE(history.redo());
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.101f);
    EXPECT_EQ(history.getUndoCount(), 100);
}

TEST(UndoHistory, UndoThenANewEditClearsRedo) {
    TestPlugin plugin;
    auto& history = *plugin.undoHistory();
    history.recordInitial();
    history.recordInitial();  // only the first call records
    edit(plugin, 0, 0.1f);
    edit(plugin, 1, 0.2f);
    edit(plugin, 0, 0.3f);
    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(history.undo());
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.1f);
    EXPECT_FLOAT_EQ(value(plugin, 1), 0.0f);
    EXPECT_EQ(history.getRedoCount(), 2);

    edit(plugin, 2, 0.5f);
    EXPECT_EQ(history.getRedoCount(), 0);
    EXPECT_FALSE(history.redo());
    EXPECT_FLOAT_EQ(value(plugin, 2), 0.5f);
    ASSERT_TRUE(history.undo());
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.1f);
    EXPECT_FLOAT_EQ(value(plugin, 2), 0.0f);
    ASSERT_TRUE(history.undo());
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.0f);  // the initial state
    EXPECT_FALSE(history.undo());

    // Counts set by the editor can never let undo and redo steps overlap in the ring.
    history.setUndoCount(100);
    history.setRedoCount(100);
    EXPECT_LE(history.getUndoCount() + history.getRedoCount(), GenericPlugin::UndoHistory::kMaxSteps);
}

TEST(CompareStates, SwitchingAwayAndBackKeepsEachSlotsEdits) {
    TestPlugin plugin;
    auto& compare = *plugin.compareStates();
    compare.initialise();
    plugin.params[0]->setValue(0.3f, 0);  // edits in A
    compare.switchSlot();
    EXPECT_EQ(compare.getCurrentSlot(), GenericPlugin::CompareStates::kSlotB);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.0f);  // B started as a copy of the settings at opening
    plugin.params[0]->setValue(0.7f, 0);
    plugin.params[1]->setValue(0.9f, 0);
    compare.switchSlot();
    EXPECT_EQ(compare.getCurrentSlot(), GenericPlugin::CompareStates::kSlotA);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.3f);
    EXPECT_FLOAT_EQ(value(plugin, 1), 0.0f);
    compare.switchSlot();
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.7f);
    EXPECT_FLOAT_EQ(value(plugin, 1), 0.9f);

    // Reopening the editor keeps what the slots hold.
    compare.initialise();
    compare.switchSlot();
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.3f);
}

TEST(CompareStates, CopyThenSwitchGivesIdenticalSettings) {
    TestPlugin plugin;
    auto& compare = *plugin.compareStates();
    compare.initialise();
    edit(plugin, 0, 0.2f);
    edit(plugin, 3, 0.4f);
    EXPECT_TRUE(compare.isModifiedSinceCopy());
    compare.copy();
    EXPECT_FALSE(compare.isModifiedSinceCopy());
    const std::vector<float> inA = {value(plugin, 0), value(plugin, 1), value(plugin, 2), value(plugin, 3)};
    compare.switchSlot();
    const std::vector<float> inB = {value(plugin, 0), value(plugin, 1), value(plugin, 2), value(plugin, 3)};
    EXPECT_EQ(inA, inB);
    EXPECT_EQ(compare.slot(0)->values, compare.slot(1)->values);
}

TEST(CompareStates, SwitchingBeforeInitialisingKeepsThePreset) {
    TestPlugin plugin;
    plugin.currentPreset().set("Bright", "/presets/Bright.zxp");
    plugin.params[0]->setValue(0.6f, 0);
    plugin.compareStates()->switchSlot();  // an editor that never opened the slots
    EXPECT_EQ(plugin.currentPreset().getName(), "Bright");
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.6f);
}

TEST(UndoHistory, UndoReturnsToTheSlotThatWasCurrentWhenTheStepWasRecorded) {
    TestPlugin plugin;
    auto& history = *plugin.undoHistory();
    auto& compare = *plugin.compareStates();
    history.recordInitial();
    compare.initialise();
    edit(plugin, 0, 0.25f);  // in A
    compare.switchSlot();    // to B, recorded
    edit(plugin, 0, 0.75f);  // in B
    EXPECT_EQ(history.getUndoCount(), 3);

    ASSERT_TRUE(history.undo());  // back to B as it was right after the switch
    EXPECT_EQ(compare.getCurrentSlot(), 1);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.0f);
    ASSERT_TRUE(history.undo());  // back to A's edit
    EXPECT_EQ(compare.getCurrentSlot(), 0);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.25f);
    EXPECT_TRUE(compare.isModifiedSinceCopy());
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(compare.getCurrentSlot(), 1);
}

TEST(Snapshot, RestoreIsOneBatchWithTheTimeRestartAndTakesOverThePreset) {
    TestPlugin plugin;
    Recorder listener;
    CountingAdapter adapter;
    plugin.setEditor(&listener);
    plugin.setAdapter(&adapter);
    plugin.currentPreset().set("Warm", "/presets/Warm.zxp");
    plugin.currentPreset().setModified(false);
    plugin.params[1]->setValue(0.5f, 0);
    GenericPlugin::Snapshot saved;
    plugin.captureSnapshot(saved);
    EXPECT_TRUE(saved.presetModified);
    ASSERT_EQ(saved.values.size(), 5u);

    for (auto& p : plugin.params) p->setValue(0.9f, 0);
    run(plugin, 256);
    const std::int64_t restoredAt = plugin.getEnvironment().getCurrentTime();
    ASSERT_LT(plugin.getEnvironment().getResetTime(), restoredAt);
    listener.events.clear();
    adapter.changed.clear();

    // Same preset path: the values come back in one batch, no preset notification.
    plugin.restoreSnapshot(saved);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.0f);
    EXPECT_FLOAT_EQ(value(plugin, 1), 0.5f);
    EXPECT_EQ(listener.events, (std::vector<std::pair<int, int>>{{GenericPlugin::kParameterChanged, -1}}));
    EXPECT_EQ(adapter.changed, (std::vector<int>{-1}));
    EXPECT_EQ(adapter.presets, 0);
    plugin.params[0]->applied = -1.0f;
    run(plugin, 64);
    EXPECT_FLOAT_EQ(plugin.params[0]->applied, 0.0f);
    EXPECT_EQ(plugin.getEnvironment().getResetTime(), restoredAt);  // ramps finish at once

    // Another preset: name, path and modified flag follow the snapshot, host and editor hear of it.
    plugin.currentPreset().set("Dark", "/presets/Dark.zxp");
    listener.events.clear();
    plugin.restoreSnapshot(saved);
    EXPECT_EQ(plugin.currentPreset().getName(), "Warm");
    EXPECT_EQ(plugin.currentPreset().getPath(), "/presets/Warm.zxp");
    EXPECT_TRUE(plugin.currentPreset().isModified());
    EXPECT_EQ(adapter.presets, 1);
    EXPECT_EQ(listener.count(GenericPlugin::kPresetChanged), 1);

    // A snapshot with fewer values than parameters sets only those it holds.
    saved.values.resize(1);
    saved.values[0] = 0.4f;
    plugin.restoreSnapshot(saved);
    EXPECT_FLOAT_EQ(value(plugin, 0), 0.4f);
    EXPECT_FLOAT_EQ(value(plugin, 1), 0.5f);
    plugin.setEditor(nullptr);
}
