#include <gtest/gtest.h>

#include "presets/ComponentPresetHandler.h"
#include "presets/FakePresetUserInterface.h"
#include "presets/PresetMessages.h"
#include "presets/PresetTree.h"
#include "product/KestrumPlugin.h"

namespace {

struct SectionFixture : ::testing::Test {
    PresetTree tree;
    KestrumPlugin plugin;
    PresetManager manager{".xlfo"};
    FakePresetUserInterface ui;
    const ParameterCollection& xlfo1 = *plugin.sections().get(SectionCollections::kXLFO, 0);
    const ParameterCollection& xlfo3 = *plugin.sections().get(SectionCollections::kXLFO, 2);
    ComponentPresetHandler first{SectionCollections::kXLFO, 0, manager,
                                 SectionFiles::of(plugin.sections(), &plugin.currentPreset()), ui};
    ComponentPresetHandler third{SectionCollections::kXLFO, 2, manager,
                                 SectionFiles::of(plugin.sections(), &plugin.currentPreset()), ui};

    void SetUp() override { manager.rescan(tree.root()); }

    static std::vector<float> values(const ParameterCollection& c) {
        std::vector<float> out;
        for (AbstractPluginParameter* p : c.parameters()) out.push_back(p->getValue());
        return out;
    }
    // Moves every member of the collection to a value of its own range off its default.
    static void moveOffDefault(const ParameterCollection& c) {
        for (AbstractPluginParameter* p : c.parameters()) p->setValue(p->denormalize(0.7f), 0);
    }
};

}  // namespace

TEST_F(SectionFixture, SaveAsWritesTheInstanceAndItLoadsIntoAnother) {
    moveOffDefault(xlfo1);
    const std::vector<float> saved = values(xlfo1);
    ASSERT_NE(saved, values(xlfo3));

    ui.fileAnswer = tree.root() + "Wobble";
    ASSERT_TRUE(first.saveAs());
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"save", tree.root(),
                                                  "Zelvatrix Component Presets (*.xlfo)|*.xlfo|All Files (*.*)|*.*",
                                                  "xlfo"}));
    ASSERT_NE(manager.findByName("Wobble"), nullptr);  // rescanned
    // Version 1 in the plug-in's magic.
    const std::string bytes = ScratchFolder::read(tree.root() + "Wobble.xlfo");
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 4), "ZK2l");
    EXPECT_EQ(bytes[4], 1);

    plugin.currentPreset().setModified(false);
    PresetMenu menu = third.buildMenu();
    EXPECT_EQ(menu.item(menu.item(PresetMenu::kRoot).children.back()).text, "Save As...");
    third.choose(menu.item(menu.find(PresetMenu::kRoot, "Wobble")));
    EXPECT_EQ(values(xlfo3), saved);
    EXPECT_TRUE(plugin.currentPreset().isModified());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SectionFixture, RefusedFilesShowTheMessageAndDefaultIsFoundByName) {
    tree.touch("Junk.xlfo", "junk");
    // A full preset is not a section preset.
    ASSERT_TRUE(plugin.savePresetFile(tree.root() + "Full.xlfo"));
    manager.rescan();
    first.presetSelected(*manager.findByName("Junk"));
    first.presetSelected(*manager.findByName("Full"));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{PresetMessages::kOpenFailed, PresetMessages::kOpenFailed}));

    EXPECT_FALSE(third.loadDefault());  // none yet
    moveOffDefault(xlfo1);
    ui.fileAnswer = tree.root() + "Default.xlfo";
    ASSERT_TRUE(first.saveAs());
    EXPECT_TRUE(third.loadDefault());
    EXPECT_EQ(values(xlfo3), values(xlfo1));

    // A cancelled dialog writes nothing.
    ui.fileAnswer.clear();
    EXPECT_FALSE(first.saveAs());
    EXPECT_EQ(manager.flatten().size(), 3u);
}
