// The product's first start and later starts on a user's folders: the factory library arrives
// once, the user's changes to it are kept, "Restore Factory Presets" puts the originals back, and
// the default preset a new instance starts from is the user's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/PluginStorage.h"
#include "presets/PresetManager.h"
#include "presets/PresetManagers.h"
#include "presets/ResourceArchive.h"
#include "product/KestrumPlugin.h"
#include "support/FakeHome.h"
#include "support/ParameterSupport.h"

namespace fs = std::filesystem;
using parameter_support::find;
using parameter_support::setFromText;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string factoryBytes(const std::string& relativePath) {
    const auto bytes = ResourceArchive().readFile(ResourceArchive::kFactoryPresetsBranch, relativePath);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

size_t presetFiles(const std::string& folder) {
    size_t n = 0;
    if (fs::exists(folder))
        for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.path().extension() == ".zxp";
    return n;
}

class FactoryInstallTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PluginStorage::configure(PluginStorage::Mode::ReadWrite, home.lookup())); }
    void TearDown() override { PluginStorage::configure(PluginStorage::Mode::Off); }
    FakeHome home;  // first: the folders below are made from it
    const std::string presets = home.home + "/Documents/Zelvatrix/Kestrum 2/";
    const std::string appData = home.home + "/.local/share/Zelvatrix/Kestrum 2/";
};

}  // namespace

TEST_F(FactoryInstallTest, FirstStartInstallsSecondStartKeepsTheUsersDefaultRestoreReplacesIt) {
    const std::string userDefault = presets + "Default Setting.zxp";
    {
        KestrumPlugin first(2);
        ASSERT_EQ(GenericPlugin::sharedSettings()->presetFolder.get(), presets);
        const size_t files = presetFiles(presets);
        EXPECT_EQ(files, ResourceArchive().listFiles(ResourceArchive::kFactoryPresetsBranch)->size());
        EXPECT_GE(files, 42u);
        EXPECT_EQ(static_cast<size_t>(PresetManagers::main()->getMainCount()), files);
        EXPECT_TRUE(slurp(userDefault) == factoryBytes("Default Setting.zxp"));
        // Every section finds its "Default" among the installed section presets.
        for (int i = 0; i < PresetManagers::numSections(); ++i)
            EXPECT_NE(PresetManagers::section(i)->findByName("Default"), nullptr) << i;
        EXPECT_TRUE(fs::is_directory(appData + "Component Presets"));

        // The user makes the default preset their own.
        ASSERT_TRUE(setFromText(first, "Mix", "40 %"));
        ASSERT_TRUE(first.savePresetFile(userDefault));
    }
    const std::string mine = slurp(userDefault);
    ASSERT_TRUE(mine != factoryBytes("Default Setting.zxp"));
    {
        KestrumPlugin second(2);  // not a first start, and the folder is not empty: nothing installed
        EXPECT_TRUE(slurp(userDefault) == mine);
        EXPECT_NEAR(find(second, "Mix")->getValue(), 40.0f, 1e-3f) << "a new instance starts from the user's default";

        // Restore puts every original back, the default preset included.
        ASSERT_TRUE(second.installFactoryContent(true));
        EXPECT_TRUE(slurp(userDefault) == factoryBytes("Default Setting.zxp"));
    }
}

TEST_F(FactoryInstallTest, AnEmptiedPresetFolderIsFilledAgainWithoutTouchingOtherFiles) {
    { KestrumPlugin first(2); }
    fs::remove_all(presets);
    fs::create_directories(presets);
    std::ofstream(presets + "readme.txt") << "mine";
    {
        KestrumPlugin again(2);  // settings exist, but the folder holds no preset
        EXPECT_GE(presetFiles(presets), 42u);
        EXPECT_EQ(slurp(presets + "readme.txt"), "mine");
    }
}
