#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MatrixTestSupport.h"
#include "modulation/ModMatrixParamController.h"

namespace {

using namespace matrix_test;

struct Connection {
    int source;
    int target;
    bool operator==(const Connection&) const = default;
};

struct MessageRecorder : ModMatrixParamController::Listener {
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

struct SlotEditor {
    SlotEditor() : controller(plugin.matrix(), plugin.slots) { controller.setListener(&messages); }

    // Connects in order through the editor operation and lets the audio side apply the changes.
    void connectAll(const std::vector<Connection>& connections) {
        for (const Connection& c : connections) ASSERT_GE(controller.connect(c.source, c.target), 0);
        plugin.applyQueuedChanges();
    }
    std::vector<Connection> activeConnections() {
        std::vector<Connection> result;
        for (int s = 0; s < plugin.slots.getActiveCount(); ++s) {
            result.push_back({controller.getSource(s), controller.getTarget(s)});
        }
        return result;
    }
    // After the audio side has applied the changes, the matrix holds what the parameters say.
    void expectMatrixMatchesParameters() {
        plugin.applyQueuedChanges();
        Matrix::InternalController& audio = plugin.matrix().getController();
        for (int s = 0; s < Layout::kNumSlots; ++s) {
            EXPECT_EQ(audio.getSource(s), controller.getSource(s)) << "slot " << s;
            EXPECT_EQ(audio.getTarget(s), controller.getTarget(s)) << "slot " << s;
            EXPECT_EQ(audio.getBypass(s), controller.getBypass(s)) << "slot " << s;
            EXPECT_EQ(audio.getInvert(s), controller.getInvert(s)) << "slot " << s;
            EXPECT_NEAR(audio.getLevel(s), controller.getLevel(s), 1e-6f) << "slot " << s;
        }
    }
    int state(int slot) { return plugin.matrix().getSlotState(slot); }

    MatrixTestPlugin plugin;
    ModMatrixParamController controller;
    MessageRecorder messages;
};

TEST(SlotOperations, ConnectTakesTheSlotAfterTheActiveOnesWithTheMiddleLevel) {
    SlotEditor editor;
    editor.connectAll({{8, 0}, {9, 1}, {14, 2}});
    EXPECT_EQ(editor.controller.connect(20, 3), 3);
    EXPECT_EQ(editor.plugin.slots.getActiveCount(), 4);
    EXPECT_NEAR(editor.controller.getLevel(3), 0.16f, 1e-6f);
    EXPECT_NEAR(editor.plugin.slot(3).level.getValue(), 0.5f, 1e-6f);
    editor.expectMatrixMatchesParameters();
    EXPECT_EQ(editor.state(3), Matrix::kActive);
    // EF depth 100 on the delay: 16 ms per unit of source at the middle level.
    EXPECT_NEAR(editor.plugin.matrix().getTargetBaseValue(Layout::slotLevelTarget(3)) *
                    editor.plugin.matrix().getTargetScale(Layout::slotLevelTarget(3)),
                16.0f, 1e-4f);

    for (int s = 4; s < Layout::kNumSlots; ++s) ASSERT_EQ(editor.controller.connect(24, 2), s);
    EXPECT_EQ(editor.controller.connect(24, 3), -1);
    ASSERT_EQ(editor.messages.messages.size(), 1u);
    EXPECT_EQ(editor.messages.messages[0], "No free slots are available. Clear one or more slots and try again.");
    EXPECT_EQ(editor.plugin.slots.getActiveCount(), 24);
}

TEST(SlotOperations, ParameterChangesDriveTheMatrixThroughTheirHandlers) {
    SlotEditor editor;
    ModulationMatrix& m = editor.plugin.matrix();
    editor.connectAll({{8, 0}});
    editor.plugin.sources[8]->setTarget(1.0f, 0.0f);
    m.setTargetValue(0, 8.0f, 0.0f);
    auto freq = [&] {
        wave::Environment& env = editor.plugin.getEnvironment();
        env.advanceBlock();
        const float v = (*m.getTargetController(0)->pull(64, 0))[63];
        env.run(64, 0);
        return v;
    };
    EXPECT_NEAR(freq(), 8.0f + 1.008f, 1e-5f);

    // Inverting and bypassing through the parameters.
    editor.controller.setInvert(0, true);
    editor.plugin.applyQueuedChanges();
    EXPECT_NEAR(freq(), 8.0f - 1.008f, 1e-5f);
    editor.controller.setBypass(0, true);
    editor.plugin.applyQueuedChanges();
    EXPECT_EQ(editor.state(0), Matrix::kInactive);
    EXPECT_NEAR(freq(), 8.0f, 1e-6f);
    editor.controller.setBypass(0, false);
    editor.plugin.sources[8]->setTarget(0.5f, 0.0f);
    // A level change ramps (automatic time); a restart marker lets it arrive at once.
    editor.controller.setLevel(0, 1.0f);
    editor.plugin.applyQueuedChanges();
    EXPECT_FLOAT_EQ(m.getTargetBaseValue(Layout::slotLevelTarget(0)), 1.0f);
    editor.plugin.getEnvironment().restartTime();
    EXPECT_NEAR(freq(), 8.0f - 0.5f * 6.3f, 1e-5f);
    editor.expectMatrixMatchesParameters();
}

TEST(SlotOperations, ClearingASlotAlsoClearsTheSlotsOnItsLevel) {
    SlotEditor editor;
    editor.connectAll({{8, 0}, {9, 1}, {14, 2}, {15, 3}, {16, 4}, {20, Layout::slotLevelTarget(0)}});
    EXPECT_EQ(editor.state(5), Matrix::kActive);
    std::vector<int> cleared;
    editor.controller.clearSlot(0, cleared);
    EXPECT_EQ(cleared, (std::vector<int>{0, 5}));
    EXPECT_EQ(editor.activeConnections(),
              (std::vector<Connection>{{-1, -1}, {9, 1}, {14, 2}, {15, 3}, {16, 4}, {-1, -1}}));
    EXPECT_FLOAT_EQ(editor.controller.getLevel(5), 0.0f);
    editor.expectMatrixMatchesParameters();
    EXPECT_EQ(editor.state(0), Matrix::kInactive);
    EXPECT_EQ(editor.state(5), Matrix::kInactive);
    EXPECT_EQ(editor.state(1), Matrix::kActive);
}

TEST(SlotOperations, RemovingASourceClearsItsSlotsAndTheSlotsOnItsParametersThenClosesUp) {
    SlotEditor editor;
    editor.connectAll({
        {9, 0},                            // XLFO 2 -> Filter 1 Freq: gone
        {0, Layout::xlfoTarget(1, XLFOTarget::Glide)},     // XY 1 Hor -> XLFO 2 Glide: gone
        {14, 2},                           // EG 1 -> Filter 1 Peak: stays
        {20, Layout::slotLevelTarget(1)},  // EF 1 -> Slot 2 Level: gone with slot 1
        {8, 1},                            // XLFO 1 -> Filter 1 Pan: stays
        {24, Layout::slotLevelTarget(4)},  // MIDI 1 -> Slot 5 Level: follows slot 4
    });
    const std::vector<int> removed = editor.controller.removeSource(9);
    EXPECT_EQ(removed, (std::vector<int>{3, 1, 0}));
    EXPECT_EQ(editor.plugin.slots.getActiveCount(), 3);
    EXPECT_EQ(editor.activeConnections(), (std::vector<Connection>{{14, 2}, {8, 1}, {24, Layout::slotLevelTarget(1)}}));
    editor.expectMatrixMatchesParameters();
    for (int s = 0; s < 3; ++s) EXPECT_EQ(editor.state(s), Matrix::kActive) << s;
    // The MIDI slot is measured in the units of the XLFO slot it followed (pan depth 6.3).
    EXPECT_NEAR(editor.plugin.matrix().getTargetScale(Layout::slotLevelTarget(2)), 6.3f, 1e-5f);
}

TEST(SlotOperations, SortingOrdersBySourceThenTargetAndLevelModulationFollows) {
    SlotEditor editor;
    editor.connectAll({
        {8, 2},                            // XLFO 1 -> Filter 1 Peak
        {8, 3},                            // cleared below: an empty slot
        {3, 0},                            // XY 2 Ver -> Filter 1 Freq
        {8, 0},                            // XLFO 1 -> Filter 1 Freq
        {24, Layout::slotLevelTarget(0)},  // MIDI 1 -> level of the XLFO 1 -> Peak slot
    });
    std::vector<int> cleared;
    editor.controller.clearSlot(1, cleared);
    int selected = 3;
    EXPECT_TRUE(editor.controller.sortSlots(&selected));
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(editor.activeConnections(),
              (std::vector<Connection>{{3, 0}, {8, 0}, {8, 2}, {24, Layout::slotLevelTarget(2)}, {-1, -1}}));
    editor.expectMatrixMatchesParameters();
    EXPECT_EQ(editor.state(3), Matrix::kActive);
    // XLFO depth 0.4 on the peak, MIDI depth 1 on a level.
    EXPECT_NEAR(editor.plugin.matrix().getTargetScale(Layout::slotLevelTarget(3)), 0.4f, 1e-6f);
    EXPECT_FALSE(editor.controller.sortSlots(&selected));
}

TEST(SlotOperations, SwappingExchangesEverythingAndLevelModulationFollowsItsSlot) {
    SlotEditor editor;
    editor.connectAll({{8, 0}, {14, 2}, {20, Layout::slotLevelTarget(0)}});
    editor.controller.setLevel(1, 0.7f);
    editor.controller.setInvert(1, true);
    editor.controller.swapSlots(0, 1);
    EXPECT_EQ(editor.activeConnections(), (std::vector<Connection>{{14, 2}, {8, 0}, {20, Layout::slotLevelTarget(1)}}));
    EXPECT_TRUE(editor.controller.getInvert(0));
    EXPECT_FALSE(editor.controller.getInvert(1));
    EXPECT_NEAR(editor.controller.getLevel(0), 0.7f, 1e-5f);
    EXPECT_NEAR(editor.controller.getLevel(1), 0.16f, 1e-6f);
    editor.expectMatrixMatchesParameters();
    EXPECT_EQ(editor.state(2), Matrix::kActive);
    // EF depth 2 on the XLFO -> Freq slot's level (scale 6.3).
    EXPECT_NEAR(editor.plugin.matrix().getTargetScale(Layout::slotLevelTarget(2)), 12.6f, 1e-5f);
}

TEST(SlotOperations, RemovingASlotMovesLevelModulationWithTheMovedSlots) {
    SlotEditor editor;
    editor.connectAll({{8, 0}, {9, 1}, {14, 2}, {20, Layout::slotLevelTarget(2)}});
    editor.controller.removeSlot(1);
    EXPECT_EQ(editor.plugin.slots.getActiveCount(), 3);
    EXPECT_EQ(editor.activeConnections(), (std::vector<Connection>{{8, 0}, {14, 2}, {20, Layout::slotLevelTarget(1)}}));
    editor.expectMatrixMatchesParameters();
    EXPECT_EQ(editor.state(2), Matrix::kActive);
    // EF depth 2 on the level of the EG -> Peak slot (EG depth 0.4).
    EXPECT_NEAR(editor.plugin.matrix().getTargetScale(Layout::slotLevelTarget(2)), 0.8f, 1e-6f);
}

}  // namespace
