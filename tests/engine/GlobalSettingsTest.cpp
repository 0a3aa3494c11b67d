#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "engine/GlobalSettings.h"
#include "engine/InstanceSettings.h"
#include "support/FakeHome.h"
#include "platform/SettingsFileReader.h"
#include "platform/SettingsFileWriter.h"

TEST(GlobalSettings, KeysAndFoldersFollowTheProductNameAndMajorVersion) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    EXPECT_EQ(g.productKey(), "Software\\Zelvatrix\\Kestrum\\2.0");
    EXPECT_EQ(g.productKey(1), "Software\\Zelvatrix\\Kestrum\\1.0");
    EXPECT_EQ(g.productFolderName(), "Kestrum 2");
    EXPECT_EQ(GlobalSettings("Kestrum", 1, h.lookup()).productFolderName(), "Kestrum");
    EXPECT_EQ(g.defaultPresetFolder(), h.home + "/Documents/Zelvatrix/Kestrum 2/");
    EXPECT_EQ(g.applicationDataFolder(), h.home + "/.local/share/Zelvatrix/Kestrum 2/");
    EXPECT_EQ(g.settingsFile(g.productKey()), h.home + "/.config/Software/Zelvatrix/Kestrum/2.0/settings.ini");
    h.vars["XDG_DATA_HOME"] = "/data";
    EXPECT_EQ(g.applicationDataFolder(), "/data/Zelvatrix/Kestrum 2/");
    FakeHome nobody;
    nobody.vars.clear();
    EXPECT_EQ(GlobalSettings("Kestrum", 2, nobody.lookup()).defaultPresetFolder(), "");
}

TEST(GlobalSettings, WithNoStoredSettingsEveryValueKeepsItsDefault) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    SharedPluginSettings shared;
    InstanceSettings instance;
    g.load(shared, &instance);
    EXPECT_EQ(shared.conserveMemory.get(), 0);
    EXPECT_TRUE(shared.correctDigiProductIds.get());
    EXPECT_EQ(shared.graphicsAcceleration.get(), 1);
    EXPECT_TRUE(shared.showInteractiveHelp.get());
    EXPECT_TRUE(shared.useProToolsShortcuts.get());
    EXPECT_EQ(shared.presetFolder.get(), g.defaultPresetFolder());
    EXPECT_EQ(instance.layout.get(), 0);
    EXPECT_EQ(shared.getChangeCount(), 1);  // only the preset folder changed
    EXPECT_EQ(instance.getChangeCount(), 0);
}

TEST(GlobalSettings, StoredValuesAreReadLimitedAndWrittenBackInPlace) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    const std::string file = g.settingsFile(g.productKey());
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    const std::string kept = h.home + "/MyPresets";
    std::filesystem::create_directories(kept);
    std::ofstream(file) << "ConserveMemory=dword:9\nInterfaceLayout=dword:-3\nShowModulation=dword:1\n"
                           "EnableMIDIProgramChanges=dword:1\nPresetFolder=sz:" << kept
                        << "\nVST2_DefaultToNoSideChain=dword:1\nSomethingElse=sz:mine\n";
    SharedPluginSettings shared;
    InstanceSettings instance;
    g.load(shared, &instance);
    EXPECT_EQ(shared.conserveMemory.get(), 4);  // 9 reads as 4
    EXPECT_EQ(shared.getConserveMemory(), 4);
    EXPECT_EQ(instance.layout.get(), 0);        // -3 limited to Normal
    EXPECT_TRUE(instance.modulation.get());
    EXPECT_TRUE(shared.enableMIDIProgramChanges.get());
    EXPECT_TRUE(shared.defaultToNoSideChain.get());
    EXPECT_EQ(shared.presetFolder.get(), kept);

    shared.showWelcomeHint.set(true);
    instance.layout.set(1);
    ASSERT_TRUE(g.save(shared, &instance));
    SettingsFileReader r(file);
    EXPECT_EQ(r.intValue("ConserveMemory", 0, -1), 4);
    EXPECT_EQ(r.intValue("showWelcomeHint", 0, -1), 1);
    EXPECT_EQ(r.intValue("InterfaceLayout", 0, -1), 1);
    EXPECT_EQ(r.stringValue("PresetFolder", "", ""), kept);
    EXPECT_EQ(r.stringValue("SomethingElse", "", ""), "mine");   // another value of the file survives
    EXPECT_EQ(r.intValue("VST2_DefaultToNoSideChain", 0, -1), 1);  // read only: left as the user set it

    // A stored preset folder that no longer exists falls back to the default preset folder.
    std::filesystem::remove_all(kept);
    SharedPluginSettings fresh;
    g.load(fresh, nullptr);
    EXPECT_EQ(fresh.presetFolder.get(), g.defaultPresetFolder());
}

TEST(GlobalSettings, TheMakerKeyOverridesGraphicsAccelerationForTheProcess) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    GlobalSettings::clearGraphicsAccelerationOverride();
    SharedPluginSettings shared;
    g.load(shared, nullptr);
    EXPECT_EQ(GlobalSettings::graphicsAccelerationOverride(), -1);
    {
        SettingsFileWriter maker(g.settingsFile(GlobalSettings::kMakerKey));
        maker.intValue("GraphicsAcceleration", 0, 0);
        SettingsFileWriter first(g.settingsFile(g.productKey(1)));
        first.stringValue("PresetFolder", "/old/presets", "");
    }
    g.load(shared, nullptr);
    EXPECT_EQ(GlobalSettings::graphicsAccelerationOverride(), 0);
    EXPECT_EQ(shared.graphicsAcceleration.get(), 1);  // the product's own value is unchanged
    EXPECT_EQ(g.firstGenerationPresetFolder(), "/old/presets");
    GlobalSettings::clearGraphicsAccelerationOverride();
}
