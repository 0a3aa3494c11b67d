#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "midi/AbstractChannelEventReceiver.h"
#include "midi/AbstractMidiLearnController.h"
#include "midi/MidiLearnMenu.h"
#include "midi/MidiLearnTargets.h"
#include "midi/MidiTestPlugin.h"
#include "midi/TempFolder.h"
#include "platform/ResourceStore.h"
#include "support/AllocationCounter.h"

namespace {

struct Overlay : AbstractMidiLearnController {
    using AbstractMidiLearnController::AbstractMidiLearnController;
    void labelsChanged() override { ++redraws; }
    int redraws = 0;
};

std::vector<std::string> texts(const std::vector<MidiLearnMenu::Item>& items) {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.text);
    return out;
}

void controller(MidiTestPlugin& plugin, int number, int value) {
    plugin.receiveMidi({0xB0, static_cast<uint8_t>(number), static_cast<uint8_t>(value), 0});
    plugin.run(32);
}

}  // namespace

TEST(MidiLearnMenu, ListsEveryAssignmentInIdOrderAndRunsItsCommands) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    PluginLearnTargets targets(plugin, plugin.virtuals);
    TempFolder folder;
    MidiLearnMenu menu({&map, &targets, plugin.midi.get(), folder.path, true, nullptr});

    map.assign(74, plugin.params[2]->getId());
    map.assign(3, MidiVirtualPluginParameter::kFirstId);
    map.assign(5, plugin.params[0]->getId());
    auto items = menu.build();
    EXPECT_EQ(texts(items), (std::vector<std::string>{"Enable MIDI", "Clear", "Clear All", "Revert", "Save"}));
    EXPECT_TRUE(items[0].checked);
    EXPECT_EQ(texts(items[1].submenu), (std::vector<std::string>{"5: P0", "74: P2", "3: Link"}));

    // Saved, changed in memory, reverted.
    menu.perform(MidiLearnMenu::kSave);
    EXPECT_TRUE(menu.perform(items[1].submenu[1].command));
    EXPECT_EQ(map.lookup(74), MidiControllerMap::kNone);
    map.assign(20, plugin.params[1]->getId());
    EXPECT_TRUE(menu.perform(MidiLearnMenu::kRevert));
    EXPECT_EQ(map.lookup(74), plugin.params[2]->getId());
    EXPECT_EQ(map.lookup(20), MidiControllerMap::kNone);

    EXPECT_TRUE(menu.perform(MidiLearnMenu::kClearAll));
    items = menu.build();
    EXPECT_TRUE(items[1].submenu.empty());
    EXPECT_FALSE(items[1].enabled);

    // "Enable MIDI" switches Receive MIDI, and the check follows it.
    menu.perform(MidiLearnMenu::kEnableMidi);
    EXPECT_FLOAT_EQ(plugin.midi->getValue(), 1.0f);
    EXPECT_FALSE(menu.build()[0].checked);
    menu.perform(MidiLearnMenu::kEnableMidi);
    EXPECT_FLOAT_EQ(plugin.midi->getValue(), 0.0f);

    // An effect has no factory settings to load; another product has.
    EXPECT_FALSE(menu.perform(MidiLearnMenu::kLoadFactorySettings));
    ResourceStore store;
    map.assign(9, 1);
    MidiLearnMenu instrumentMenu({&map, &targets, plugin.midi.get(), folder.path, false, &store});
    EXPECT_EQ(instrumentMenu.build().back().text, "Load Factory Settings");
    EXPECT_TRUE(instrumentMenu.perform(MidiLearnMenu::kLoadFactorySettings));
    EXPECT_EQ(map.lookup(9), MidiControllerMap::kNone);
}

// Learning through the plug-in's MIDI input with real controller messages.
TEST(MidiLearnOverlay, LearnsFromIncomingControllersAndShowsTheAssignments) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    PluginLearnTargets targets(plugin, plugin.virtuals);
    Overlay overlay(map, *plugin.receiver, targets);
    const int p1 = plugin.params[1]->getId();
    const int p3 = plugin.params[3]->getId();
    overlay.setControls({plugin.params[0]->getId(), p1, plugin.params[2]->getId(), p3});
    overlay.setGhosts({MidiVirtualPluginParameter::kFirstId});
    map.assign(7, p1);

    overlay.open();
    EXPECT_EQ(overlay.getMessage(), "Click a control to activate it for MIDI Learn mode");
    EXPECT_EQ(overlay.labelFor(p1), "7");
    EXPECT_EQ(overlay.labelFor(p3), "-");
    overlay.selectControl(1);
    EXPECT_EQ(overlay.getMessage(), "Move a slider/knob on your MIDI controller to associate it to: P1");
    EXPECT_EQ(overlay.getShownController(), 7);

    // Controller 10 takes P1 from 7, and its value reaches P1 from the learning message itself.
    controller(plugin, 10, 127);
    EXPECT_EQ(map.lookup(7), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(10), p1);
    EXPECT_FLOAT_EQ(plugin.params[1]->getValue(), 10.0f);
    const int before = overlay.redraws;
    EXPECT_TRUE(overlay.poll());
    EXPECT_GT(overlay.redraws, before);
    EXPECT_FALSE(overlay.poll());
    EXPECT_EQ(overlay.labelFor(p1), "10");

    // A second parameter learned on controller 10 takes it away from the first.
    overlay.selectControl(3);
    controller(plugin, 10, 0);
    overlay.poll();
    EXPECT_EQ(overlay.labelFor(p3), "10");
    EXPECT_EQ(overlay.labelFor(p1), "-");
    EXPECT_FLOAT_EQ(plugin.params[1]->getValue(), 10.0f);

    overlay.selectGhost(0);
    EXPECT_EQ(overlay.getMessage(), "Move a slider/knob on your MIDI controller to associate it to: Link");
    controller(plugin, 11, 64);
    EXPECT_EQ(map.lookup(11), MidiVirtualPluginParameter::kFirstId);
    EXPECT_EQ(plugin.virtualParameter->calls, 1);
    overlay.clearSelected();
    EXPECT_EQ(overlay.labelFor(MidiVirtualPluginParameter::kFirstId), "-");

    overlay.close();
    controller(plugin, 12, 64);
    EXPECT_EQ(map.lookup(12), MidiControllerMap::kNone);
    EXPECT_EQ(plugin.receiver->getChannelReceiver().getLearnTarget(), -1);
}

TEST(MidiLearnOverlay, LearningOnTheAudioThreadAllocatesNothing) {
    MidiControllerMap map;
    MidiTestPlugin plugin(map);
    const int frames = 256;
    std::vector<float> in(frames, 0.5f), outL(frames), outR(frames);
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, frames);  // warm-up

    alloc_counter::arm();
    for (int block = 0; block < 32; ++block) {
        plugin.receiver->setLearnTarget(plugin.params[static_cast<size_t>(block % 4)]->getId());
        for (int offset = 0; offset < frames; offset += 32) {
            plugin.receiveMidi({0xB0, static_cast<uint8_t>((block + offset) & 0x7F), static_cast<uint8_t>(offset & 0x7F), offset});
        }
        plugin.processBlock(ins, 2, outs, 2, frames);
    }
    EXPECT_EQ(alloc_counter::disarm(), 0u);
    EXPECT_NE(map.controllerFor(plugin.params[3]->getId()), MidiControllerMap::kNone);
}
