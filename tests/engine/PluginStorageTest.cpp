#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/GenericPlugin.h"
#include "engine/PluginStorage.h"
#include "platform/SettingsFileReader.h"
#include "platform/SettingsFileWriter.h"
#include "support/FakeHome.h"

namespace {

// A framework instance that records the shared set-up hooks and writes presets as a one-line file.
class StoragePlugin : public GenericPlugin, public GenericPlugin::Listener, public GenericPlugin::Adapter {
public:
    static inline int setUps = 0;
    static inline int firstStarts = 0;
    static inline int mapReads = 0;
    static inline int defaultMaps = 0;
    static inline bool mapReadSucceeds = false;

    explicit StoragePlugin(bool writable = true)
        : GenericPlugin(2, {.name = "Kestrum", .pluginId = "ZKt9", .majorVersion = 2}), writable_(writable) {
        init();
        setAdapter(this);
    }
    ~StoragePlugin() override { setAdapter(nullptr); }

    static void resetCounts() { setUps = firstStarts = mapReads = defaultMaps = 0; }

    bool writePresetFile(const std::string& path) override {
        if (!writable_) return false;
        std::ofstream(path) << "preset\n";
        return true;
    }
    void presetFileWritten(const std::string& path) override { written.push_back(path); }
    void pluginNotification(int code, int) override { codes.push_back(code); }
    void latencyChanged() override {}
    void parameterChanged(int) override {}
    void presetChanged() override { ++presetChanges; }

    std::vector<std::string> written;
    std::vector<int> codes;
    int presetChanges = 0;

protected:
    void initShared(const std::string&, bool firstStart) override {
        ++setUps;
        firstStarts += firstStart ? 1 : 0;
    }
    bool readMidiControllerMap() override {
        ++mapReads;
        return mapReadSucceeds;
    }
    void installDefaultMidiControllerMap() override { ++defaultMaps; }

private:
    bool writable_;
};

class PluginStorageTest : public ::testing::Test {
protected:
    void SetUp() override { StoragePlugin::resetCounts(); }
    void TearDown() override { PluginStorage::configure(PluginStorage::Mode::Off); }
    std::string settingsPath() const {
        return home.home + "/.config/Software/Zelvatrix/Kestrum/2.0/settings.ini";
    }
    FakeHome home;
};

}  // namespace

TEST_F(PluginStorageTest, OffTouchesNoFileAndStartsFromDefaults) {
    ASSERT_TRUE(PluginStorage::configure(PluginStorage::Mode::Off, home.lookup()));
    {
        StoragePlugin plugin;
        EXPECT_EQ(StoragePlugin::setUps, 1);
        EXPECT_EQ(StoragePlugin::firstStarts, 0);
        EXPECT_EQ(StoragePlugin::mapReads, 0) << "no map file is read without storage";
        EXPECT_EQ(StoragePlugin::defaultMaps, 1);
        EXPECT_EQ(GenericPlugin::sharedSettings()->presetFolder.get(), "");
        EXPECT_FALSE(plugin.saveSettings());
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.home));
}

TEST_F(PluginStorageTest, FirstStartIsSetUpOnceAndMarkedAtOnce) {
    ASSERT_TRUE(PluginStorage::configure(PluginStorage::Mode::ReadWrite, home.lookup()));
    {
        StoragePlugin first;
        StoragePlugin second;  // a later instance: no shared set-up again
        EXPECT_EQ(StoragePlugin::setUps, 1);
        EXPECT_EQ(StoragePlugin::firstStarts, 1);
        EXPECT_EQ(StoragePlugin::mapReads, 1);
        EXPECT_EQ(StoragePlugin::defaultMaps, 1) << "a failed map read installs the default map";
        EXPECT_TRUE(std::filesystem::exists(settingsPath())) << "written right after the first start";
        EXPECT_EQ(GenericPlugin::sharedSettings()->presetFolder.get(), home.home + "/Documents/Zelvatrix/Kestrum 2/");
        EXPECT_FALSE(PluginStorage::configure(PluginStorage::Mode::Off)) << "refused while instances live";
    }
    StoragePlugin::resetCounts();
    StoragePlugin::mapReadSucceeds = true;
    {
        StoragePlugin again;
        EXPECT_EQ(StoragePlugin::firstStarts, 0) << "the stored settings mark the version as set up";
        EXPECT_EQ(StoragePlugin::defaultMaps, 0);
    }
    StoragePlugin::mapReadSucceeds = false;
}

TEST_F(PluginStorageTest, StoredValuesShapeTheInstanceAndReadOnlyNeverWrites) {
    {
        SettingsFileWriter writer(settingsPath());
        writer.intValue("ConserveMemory", 9, 0);  // out of range: limited to 4
        writer.intValue("EnableMIDIProgramChanges", 1, 0);
        ASSERT_TRUE(writer.commit());
    }
    const auto before = std::filesystem::last_write_time(settingsPath());
    ASSERT_TRUE(PluginStorage::configure(PluginStorage::Mode::ReadOnly, home.lookup()));
    {
        StoragePlugin plugin;
        EXPECT_EQ(plugin.getBlockSize(), 64);
        EXPECT_TRUE(GenericPlugin::sharedSettings()->enableMIDIProgramChanges.get());
        GenericPlugin::sharedSettings()->showWelcomeHint.set(true);
        EXPECT_FALSE(plugin.saveSettings());
    }
    EXPECT_EQ(std::filesystem::last_write_time(settingsPath()), before);
    SettingsFileReader reader(settingsPath());
    EXPECT_EQ(reader.intValue("showWelcomeHint", -1, -1), -1) << "nothing was written back";
}

TEST_F(PluginStorageTest, SavingAPresetMakesItTheCurrentOne) {
    const std::string path = home.home + "/Lead Line.zxp";
    StoragePlugin plugin;
    plugin.setEditor(&plugin);
    plugin.currentPreset().setModified(true);
    ASSERT_TRUE(plugin.savePresetFile(path));
    EXPECT_EQ(plugin.currentPreset().getName(), "Lead Line");
    EXPECT_EQ(plugin.currentPreset().getPath(), path);
    EXPECT_FALSE(plugin.currentPreset().isModified());
    EXPECT_EQ(plugin.written, std::vector<std::string>{path}) << "the folders are rescanned";
    EXPECT_EQ(plugin.presetChanges, 1);
    EXPECT_EQ(plugin.codes, std::vector<int>{GenericPlugin::kPresetChanged});
    plugin.setEditor(nullptr);

    StoragePlugin failing(false);
    failing.currentPreset().set("Old", "/old.zxp");
    failing.currentPreset().setModified(true);
    EXPECT_FALSE(failing.savePresetFile(home.home + "/x.zxp"));
    EXPECT_EQ(failing.currentPreset().getPath(), "/old.zxp");
    EXPECT_TRUE(failing.currentPreset().isModified());
    EXPECT_TRUE(failing.written.empty());
    EXPECT_EQ(failing.presetChanges, 0);
}
