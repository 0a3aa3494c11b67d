#include <gtest/gtest.h>

#include "presets/PresetCommands.h"
#include "presets/PresetMessages.h"
#include "presets/PresetTree.h"
#include "presets/ProgramChangeLoader.h"
#include "presets/FakePresetUserInterface.h"
#include "product/KestrumPlugin.h"
#include "support/ParameterSupport.h"

namespace {

// A plug-in, a main preset folder with real presets and the commands over them.
struct CommandsFixture : ::testing::Test {
    PresetTree tree;
    KestrumPlugin plugin;
    SharedPluginSettings& settings = *GenericPlugin::sharedSettings();
    PresetManager main{".zxp"};
    FakePresetUserInterface ui;
    int settingsStored = 0;
    int installs = 0;
    bool installWorks = true;
    PresetCommands commands{plugin, main, settings, ui,
                            {[this] { ++settingsStored; }, [this] {
                                 ++installs;
                                 tree.touch("Factory.zxp");
                                 return installWorks;
                             }}};
    AbstractPluginParameter* mix = parameter_support::find(plugin, "Mix");

    void SetUp() override {
        settings.enableMIDIProgramChanges.set(false);
        settings.savePresetItemEnabled.set(false);
        savePreset("A/Arp.zxp", 10.0f);
        savePreset("_Best of/Best.zxp", 20.0f);
        savePreset("Lead.zxp", 30.0f);
        savePreset("Pad.zxp", 40.0f);
        tree.touch("Broken.zxp", "not a preset");
        tree.folder("Empty");
        main.rescan(tree.root());
        mix->setValue(50.0f, 0);
        // Saving made each file the current preset; the tests start with none.
        plugin.currentPreset().set("", "");
    }
    void TearDown() override { settings.enableMIDIProgramChanges.set(false); }

    void savePreset(const std::string& relative, float mixValue) {
        mix->setValue(mixValue, 0);
        tree.folder(std::filesystem::path(relative).parent_path().string());
        ASSERT_TRUE(plugin.savePresetFile(tree.root() + relative));
    }
    void loadNamed(const std::string& name) { ASSERT_TRUE(plugin.loadPreset(main.findByName(name)->path)); }
    // The menu texts below an item, in order.
    static std::vector<std::string> texts(const PresetMenu& menu, int parent) {
        std::vector<std::string> out;
        for (int child : menu.item(parent).children) out.push_back(menu.item(child).text);
        return out;
    }
};

}  // namespace

TEST_F(CommandsFixture, SaveNeedsACurrentPath) {
    ASSERT_TRUE(plugin.currentPreset().getPath().empty());
    EXPECT_FALSE(commands.save());
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_TRUE(ui.messages.empty());

    loadNamed("Lead");
    mix->setValue(33.0f, 0);
    EXPECT_TRUE(commands.save());
    mix->setValue(0.0f, 0);
    loadNamed("Lead");
    EXPECT_FLOAT_EQ(mix->getValue(), 33.0f);
}

TEST_F(CommandsFixture, SaveAsUsesTheDialogAndACancelOnlyRescans) {
    tree.touch("Later.zxp", "x");
    EXPECT_FALSE(commands.saveAs());
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"save", tree.root(), PresetMessages::kSaveFilter, "zxp"}));
    EXPECT_NE(main.findByName("Later"), nullptr);

    // A name typed without extension gets one.
    ui.fileAnswer = tree.root() + "Mine";
    mix->setValue(12.0f, 0);
    EXPECT_TRUE(commands.saveAs());
    mix->setValue(0.0f, 0);
    ASSERT_TRUE(plugin.loadPreset(tree.root() + "Mine.zxp"));
    EXPECT_FLOAT_EQ(mix->getValue(), 12.0f);

    // A failed write is reported, not passed off as saved.
    ui.fileAnswer = tree.root() + "missing/folder/X.zxp";
    EXPECT_FALSE(commands.saveAs());
    EXPECT_EQ(ui.messages, std::vector<std::string>{PresetMessages::kSaveFailed});
}

TEST_F(CommandsFixture, SaveAsDefaultOpenOtherAndChangeFolder) {
    mix->setValue(77.0f, 0);
    EXPECT_TRUE(commands.saveAsDefault());
    mix->setValue(0.0f, 0);
    ASSERT_TRUE(plugin.loadPreset(tree.root() + "Default Setting.zxp"));
    EXPECT_FLOAT_EQ(mix->getValue(), 77.0f);

    ui.fileAnswer = tree.root() + "Pad.zxp";
    EXPECT_TRUE(commands.openOther());
    EXPECT_FLOAT_EQ(mix->getValue(), 40.0f);
    EXPECT_EQ(std::vector<std::string>(ui.asked.end() - 4, ui.asked.end()),
              (std::vector<std::string>{"open", tree.root(), PresetMessages::kOpenFilter, "zxp"}));
    ui.fileAnswer = tree.root() + "Broken.zxp";
    EXPECT_FALSE(commands.openOther());
    EXPECT_TRUE(ui.messages.empty());  // a failure shows nothing here

    ui.asked.clear();
    EXPECT_FALSE(commands.changePresetFolder());  // cancelled: nothing changes
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"folder", "Select a folder to store your presets", tree.root()}));
    EXPECT_EQ(settingsStored, 0);
    ui.folderAnswer = tree.root() + "A";
    EXPECT_TRUE(commands.changePresetFolder());
    EXPECT_EQ(main.getPath(), tree.root() + "A/");
    EXPECT_EQ(settings.presetFolder.get(), tree.root() + "A/");
    EXPECT_EQ(settingsStored, 1);
    EXPECT_EQ(names(main.flatten()), std::vector<std::string>{"Arp"});
}

TEST_F(CommandsFixture, RestoreFactoryPresetsAsksAndReportsFailure) {
    ui.answerYes = false;
    EXPECT_FALSE(commands.restoreFactoryPresets());
    EXPECT_EQ(installs, 0);
    EXPECT_EQ(ui.asked, (std::vector<std::string>{"question", "Restore Factory Presets",
                                                  "Are you sure you want to restore the factory presets?\n\nIf you "
                                                  "have overwritten any factory presets or the default preset, your "
                                                  "changes will be undone."}));
    ui.answerYes = true;
    EXPECT_TRUE(commands.restoreFactoryPresets());
    EXPECT_EQ(installs, 1);
    EXPECT_NE(main.findByName("Factory"), nullptr);
    EXPECT_TRUE(ui.messages.empty());
    installWorks = false;
    EXPECT_FALSE(commands.restoreFactoryPresets());
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error: Unable to restore all factory presets.\n\nPlease make "
                                                    "sure that your current preset folder path is valid and that "
                                                    "your preset folder is not read-only."});
}

TEST_F(CommandsFixture, PreviousAndNextLoadAndReportRefusedFiles) {
    // "_Best of" sorts before "A"; the root's own presets come last.
    EXPECT_EQ(names(main.flatten()), (std::vector<std::string>{"Best", "Arp", "Broken", "Lead", "Pad"}));
    EXPECT_FALSE(commands.step(PresetManager::kNext));  // no current preset: nothing
    loadNamed("Pad");
    EXPECT_TRUE(commands.step(PresetManager::kNext));
    EXPECT_EQ(plugin.currentPreset().getName(), "Best");
    EXPECT_FLOAT_EQ(mix->getValue(), 20.0f);
    loadNamed("Lead");
    EXPECT_FALSE(commands.step(PresetManager::kPrevious));  // Broken
    EXPECT_EQ(ui.messages, std::vector<std::string>{PresetMessages::kOpenFailed});
    EXPECT_EQ(plugin.currentPreset().getName(), "Lead");

    PresetMenu menu = commands.buildMenu();
    const int broken = menu.find(PresetMenu::kRoot, "Broken");
    ui.messages.clear();
    commands.choose(menu.item(broken));
    EXPECT_EQ(ui.messages, std::vector<std::string>{PresetMessages::kOpenFailed});
    commands.choose(menu.item(menu.find(PresetMenu::kRoot, "Pad")));
    EXPECT_EQ(plugin.currentPreset().getName(), "Pad");
}

TEST_F(CommandsFixture, MenuShowsTheTreeTheCurrentPresetAndTheOptions) {
    savePreset("old/Old.zxp", 60.0f);
    main.addExtraFolder(tree.root() + "old", PresetMessages::previousVersionFolderLabel(1));
    loadNamed("Arp");
    PresetMenu menu = commands.buildMenu();
    EXPECT_EQ(texts(menu, PresetMenu::kRoot),
              (std::vector<std::string>{"Best of", "A", "Empty", "Broken", "Lead", "Pad", "V1 Preset Folder", "", "Save As...",
                                        "Options"}));
    const int a = menu.find(PresetMenu::kRoot, "A");
    EXPECT_TRUE(menu.item(a).checked);
    EXPECT_TRUE(menu.item(menu.item(a).children[0]).checked);
    EXPECT_FALSE(menu.item(menu.find(PresetMenu::kRoot, "Best of")).checked);
    EXPECT_FALSE(menu.item(menu.find(PresetMenu::kRoot, "V1 Preset Folder")).checked);
    const PresetMenu::Item& none = menu.item(menu.item(menu.find(PresetMenu::kRoot, "Empty")).children.at(0));
    EXPECT_EQ(none.text, "(No Presets)");
    EXPECT_FALSE(none.enabled);
    const int options = menu.find(PresetMenu::kRoot, "Options");
    EXPECT_EQ(texts(menu, options), (std::vector<std::string>{"Enable MIDI Program Changes", "Save As Default",
                                                              "Open Other Preset...", "Change Preset Folder...",
                                                              "Restore Factory Presets"}));
    EXPECT_FALSE(menu.item(menu.item(options).children[0]).checked);

    // Current preset in the extra folder; program changes on: labels, a checked option and "Save".
    ASSERT_TRUE(plugin.loadPreset(tree.root() + "old/Old.zxp"));
    settings.savePresetItemEnabled.set(true);
    commands.choose(menu.item(menu.item(options).children[0]));
    EXPECT_TRUE(settings.enableMIDIProgramChanges.get());
    EXPECT_EQ(settingsStored, 1);
    menu = commands.buildMenu();
    EXPECT_EQ(texts(menu, PresetMenu::kRoot),
              (std::vector<std::string>{"Best of", "A", "Empty", "(0/2) Broken", "(0/3) Lead", "(0/4) Pad",
                                        "V1 Preset Folder", "", "Save", "Save As...", "Options"}));
    const int old = menu.find(PresetMenu::kRoot, "V1 Preset Folder");
    EXPECT_TRUE(menu.item(old).checked);
    EXPECT_EQ(menu.item(menu.item(old).children[0]).text, "(0/5) Old");
    EXPECT_TRUE(menu.item(menu.item(menu.find(PresetMenu::kRoot, "Options")).children[0]).checked);
}

TEST_F(CommandsFixture, ProgramChangesLoadOnlyWhileEnabled) {
    ProgramChangeLoader loader(plugin, main, settings);
    EXPECT_FALSE(loader.apply(0, 3));
    EXPECT_FLOAT_EQ(mix->getValue(), 50.0f);
    EXPECT_EQ(loader.lookup(0, 3), "");
    settings.enableMIDIProgramChanges.set(true);
    EXPECT_EQ(loader.lookup(0, 3), tree.root() + "Lead.zxp");
    EXPECT_TRUE(loader.apply(0, 3));
    EXPECT_FLOAT_EQ(mix->getValue(), 30.0f);
    EXPECT_EQ(plugin.currentPreset().getName(), "Lead");
    EXPECT_FALSE(loader.apply(0, 5));   // no such number
    EXPECT_FALSE(loader.apply(0, 2));   // a refused file: nothing shown, nothing changed
    EXPECT_FLOAT_EQ(mix->getValue(), 30.0f);
    EXPECT_TRUE(ui.messages.empty());
}
