// kestrum_preset_compiler run as the build runs it, on source trees made in a temporary folder:
// what it writes loads back with the values the source asked for, and every authoring mistake
// stops the build with the file, the line and the reason, leaving the previous tree in place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>

#include "product/KestrumPlugin.h"
#include "product/ParameterLookup.h"

namespace fs = std::filesystem;

namespace {

class PresetCompiler : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kestrum-compiler-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        write("FactoryPresets/Default Setting.txt", "# defaults\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    void write(const std::string& relative, const std::string& text) {
        const fs::path path = dir_ / "src" / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }

    // Runs the compiler; returns its exit status and leaves its standard error in `errors`.
    int compile() {
        // The compiler's instances read settings: give them a home of their own.
        const std::string home = (dir_ / "home").string();
        const std::string command = "HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/config' XDG_DATA_HOME='" + home +
                                    "/data' XDG_DOCUMENTS_DIR='" + home + "/documents' '" + KESTRUM_PRESET_COMPILER +
                                    "' '" + (dir_ / "src").string() + "' '" + (dir_ / "tree").string() +
                                    "' >/dev/null 2>'" + (dir_ / "errors").string() + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(dir_ / "errors");
        errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
    std::string errors;
};

float valueOf(KestrumPlugin& plugin, const std::string& name) { return ParameterLookup(plugin).find(name)->getValue(); }

}  // namespace

TEST_F(PresetCompiler, WritesFullAndSectionPresetsThatLoadBackAsWritten) {
    write("FactoryPresets/Synth/Bright.txt",
          "# A bright one\n\nFilter 1 Freq=2 kHz\n  Filter 1 Response = HP \n# a later comment\nMix=40 %\n");
    write("ApplicationData/Component Presets/XLFO/Default.txt", "# Square\nXLFO 1 Step 1 Value=1\nXLFO 1 Sync Mode=1/4\n");
    ASSERT_EQ(compile(), 0) << errors;

    KestrumPlugin plugin(2);
    ASSERT_TRUE(plugin.loadPresetData((dir_ / "tree/FactoryPresets/Synth/Bright.zxp").string()));
    float twoKilohertz = 0.0f;
    ASSERT_TRUE(ParameterLookup(plugin).find("Filter 1 Freq")->parseText("2 kHz", twoKilohertz));
    EXPECT_EQ(valueOf(plugin, "Filter 1 Freq"), twoKilohertz);
    EXPECT_EQ(valueOf(plugin, "Filter 1 Response"), 1.0f);
    EXPECT_FLOAT_EQ(valueOf(plugin, "Mix"), 40.0f);
    EXPECT_EQ(valueOf(plugin, "Output Gain"), 0.0f);

    // Saved from instance 1, loaded into instance 4.
    ASSERT_TRUE(plugin.sections().load(SectionCollections::kXLFO, 3,
                                       (dir_ / "tree/ApplicationData/Component Presets/XLFO/Default.xlfo").string()));
    EXPECT_EQ(valueOf(plugin, "XLFO 4 Step 1 Value"), 1.0f);
    EXPECT_EQ(valueOf(plugin, "XLFO 4 Sync Mode"), 7.0f);  // Free, 16, 8, 4, 2, 1, 1/2, 1/4
    EXPECT_TRUE(fs::is_directory(dir_ / "tree/ApplicationData/Component Presets/Slots"));

    // Same sources, same bytes; a removed source leaves nothing behind.
    const auto bytes = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string first = bytes(dir_ / "tree/FactoryPresets/Synth/Bright.zxp");
    fs::remove(dir_ / "src/ApplicationData/Component Presets/XLFO/Default.txt");
    ASSERT_EQ(compile(), 0) << errors;
    EXPECT_EQ(bytes(dir_ / "tree/FactoryPresets/Synth/Bright.zxp"), first);
    EXPECT_FALSE(fs::exists(dir_ / "tree/ApplicationData/Component Presets/XLFO/Default.xlfo"));
}

TEST_F(PresetCompiler, AuthoringMistakesStopTheBuildWithFileLineAndReason) {
    struct Case {
        std::string file, text, message;
    };
    const Case cases[] = {
        {"FactoryPresets/A.txt", "# x\nFilter 1 Frq=2 kHz\n", "A.txt:2: unknown parameter 'Filter 1 Frq'; did you mean 'Filter 1 Freq'"},
        {"FactoryPresets/A.txt", "# x\n\nFilter 1 Response=Notch\n", "A.txt:3: 'Notch' is not a valid value for 'Filter 1 Response'"},
        {"FactoryPresets/A.txt", "# x\nMix=50 %\nMix=60 %\n", "A.txt:3: 'Mix' is set twice"},
        {"FactoryPresets/A.txt", "Mix=50 %\n", "A.txt:1: a preset begins with a comment"},
        {"FactoryPresets/A.txt", "# x\nSlot 1 Source=XLFO 1\n", "Slot 1 is used but Num Active Slots is 0"},
        {"FactoryPresets/A.txt", "# x\nNum Active Slots=1\nSlot 1 Source=EG 2\nNum Active EGs=1\n",
         "Slot 1 reads a source that is not active"},
        {"ApplicationData/Component Presets/EG/B.txt", "# x\nEG 2 Attack=5 ms\n", "B.txt:2: 'EG 2 Attack' is not part of EG 1"},
        {"ApplicationData/Component Presets/Pads/C.txt", "# x\n", "Pads: not a section"},
    };
    ASSERT_EQ(compile(), 0) << errors;
    ASSERT_TRUE(fs::exists(dir_ / "tree/FactoryPresets/Default Setting.zxp"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        write(c.file, c.text);
        EXPECT_EQ(compile(), 1);
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
        // The last good tree stays; nothing half-written is left beside it.
        EXPECT_TRUE(fs::exists(dir_ / "tree/FactoryPresets/Default Setting.zxp"));
        EXPECT_FALSE(fs::exists(dir_ / "tree.new"));
        fs::remove_all(dir_ / "src" / c.file);
        fs::remove_all(dir_ / "src/ApplicationData/Component Presets/Pads");
    }
}
