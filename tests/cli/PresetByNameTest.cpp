// The renderer and the user's preset library: presets by name from the preset folder or straight
// from the factory library, the listing, the installation, and MIDI program changes in a render.
// Every run gets a home folder of its own, so the user's real folders are never read or touched.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "AudioFile.h"
#include "DemoLoop.h"
#include "support/FakeHome.h"
#include "support/RenderProgramFixture.h"
#include "presets/PresetMessages.h"

namespace fs = std::filesystem;

namespace {

// The fixture's runs inherit this process's environment: each test gets a home of its own.
class PresetByNameTest : public RenderProgramFixture {
protected:
    void SetUp() override {
        RenderProgramFixture::SetUp();
        const char* old = getenv("HOME");
        savedHome = old ? old : "";
        setenv("HOME", home.home.c_str(), 1);
        work = dir.string();
        presetFolder = home.home + "/Documents/Zelvatrix/Kestrum 2";
    }
    void TearDown() override {
        setenv("HOME", savedHome.c_str(), 1);
        RenderProgramFixture::TearDown();
    }

    std::string write(const std::string& name, const AudioData& data) { return writeInput(name, data); }

    static double rmsDb(const std::vector<float>& x, size_t from, size_t to) {
        double sum = 0.0;
        for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
        return 10.0 * std::log10(sum / static_cast<double>(to - from) + 1e-30);
    }

    FakeHome home;
    std::string savedHome, work, presetFolder;
};

// Everything below a folder, as paths relative to it.
std::vector<std::string> treeOf(const std::string& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST_F(PresetByNameTest, FactoryPresetsRenderByNameWithoutInstallingAnything) {
    const std::string in = write("in.wav", synthesiseDemoLoop(44100, 120.0f, 1));
    const Result exact = run({"--quiet", "--preset", "Clean", in, work + "/exact.wav"});
    ASSERT_EQ(exact.status, 0) << exact.err;
    // Letter case does not matter when no name matches exactly.
    const Result folded = run({"--quiet", "--preset", "dEFAULT setting", in, work + "/folded.wav"});
    ASSERT_EQ(folded.status, 0) << folded.err;
    // And by the folder path the listing shows.
    ASSERT_EQ(run({"--quiet", "--preset", "_Best of/Acid Pulse", in, work + "/path.wav"}).status, 0);
    ASSERT_EQ(run({"--quiet", "--preset", "Acid Pulse", in, work + "/name.wav"}).status, 0);
    EXPECT_EQ(slurp(work + "/path.wav"), slurp(work + "/name.wav"));
    EXPECT_NE(slurp(work + "/path.wav"), slurp(work + "/exact.wav"));
    EXPECT_TRUE(treeOf(home.home + "/Documents").empty());
    EXPECT_TRUE(treeOf(home.home + "/.local").empty());
    EXPECT_TRUE(treeOf(home.home + "/.config").empty());

    const Result missing = run({"--preset", "No Such Preset", in, work + "/none.wav"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("no preset named 'No Such Preset'"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("--list-presets"), std::string::npos);
    EXPECT_FALSE(fs::exists(work + "/none.wav"));
}

TEST_F(PresetByNameTest, ListingInstallationAndAUserModifiedDefaultThatSurvives) {
    // Nothing installed: the factory presets are offered by their folder paths.
    const Result before = run({"--list-presets"});
    ASSERT_EQ(before.status, 0) << before.err;
    EXPECT_NE(before.out.find("No presets in the preset folder."), std::string::npos);
    EXPECT_NE(before.out.find("--install-factory"), std::string::npos);
    EXPECT_NE(before.out.find("  Default Setting\n"), std::string::npos);
    EXPECT_NE(before.out.find("  _Best of/"), std::string::npos);
    EXPECT_TRUE(treeOf(presetFolder).empty());

    const Result install = run({"--install-factory"});
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_NE(install.out.find(presetFolder), std::string::npos) << install.out;
    const std::vector<std::string> installed = treeOf(presetFolder);
    EXPECT_GE(installed.size(), 42u);
    EXPECT_TRUE(std::count(installed.begin(), installed.end(), "Default Setting.zxp"));

    // Installed: every preset has its number, "_" folders first, and nothing is left to install.
    const Result after = run({"--list-presets"});
    ASSERT_EQ(after.status, 0);
    EXPECT_EQ(after.out.find("not installed"), std::string::npos);
    EXPECT_EQ(after.out.rfind("(0/0) ", 0), 0u) << after.out.substr(0, 80);
    EXPECT_EQ(static_cast<size_t>(std::count(after.out.begin(), after.out.end(), '\n')), installed.size());

    // The user's own "Default Setting" is kept by a second installation.
    const std::string userDefault = presetFolder + "/Default Setting.zxp";
    const std::string in = write("in.wav", synthesiseDemoLoop(44100, 120.0f, 1));
    ASSERT_EQ(run({"--quiet", "--set", "Mix=50 %", "--save-preset", userDefault, in, work + "/o.wav"}).status, 0);
    const std::string mine = slurp(userDefault);
    ASSERT_EQ(run({"--install-factory"}).status, 0);
    EXPECT_EQ(slurp(userDefault), mine);
}

TEST_F(PresetByNameTest, AnUnwritablePresetFolderGivesTheRestoreErrorAndRendersStillWork) {
    // A file where the maker's folder should be: no folder can be made there, even by root.
    fs::create_directories(home.home + "/Documents");
    std::ofstream(home.home + "/Documents/Zelvatrix") << "in the way";
    const Result install = run({"--install-factory"});
    EXPECT_EQ(install.status, 2);
    EXPECT_NE(install.err.find("Error: Unable to restore all factory presets."), std::string::npos) << install.err;
    EXPECT_NE(install.err.find("is not read-only."), std::string::npos);

    const std::string in = write("in.wav", synthesiseDemoLoop(44100, 120.0f, 1));
    const Result render = run({"--quiet", "--preset", "Clean", in, work + "/out.wav"});
    EXPECT_EQ(render.status, 0) << render.err;
}

TEST_F(PresetByNameTest, MidiProgramChangesSwitchPresetsAtTheirTime) {
    // Two presets of the user's folder, numbered (0/0) and (0/1) in name order, 20 dB apart.
    const int rate = 48000;
    AudioData tone;
    tone.sampleRate = rate;
    tone.channels.assign(2, std::vector<float>(rate));
    for (int i = 0; i < rate; ++i)
        tone.channels[0][i] = tone.channels[1][i] = 0.25f * static_cast<float>(std::sin(2.0 * M_PI * 220.0 * i / rate));
    const std::string in = write("tone.wav", tone);
    fs::create_directories(presetFolder);
    ASSERT_EQ(run({"--quiet", "--set", "Output Gain=-20 dB", "--save-preset", presetFolder + "/A Quiet.zxp", in,
                   work + "/a.wav"}).status, 0);
    ASSERT_EQ(run({"--quiet", "--save-preset", presetFolder + "/B Plain.zxp", in, work + "/b.wav"}).status, 0);

    // Program 2 (number 1) one beat in: at 120 BPM and 96 ticks per beat, 0.5 s.
    const std::string midi = work + "/change.mid";
    std::ofstream(midi, std::ios::binary) << std::string("MThd\0\0\0\6\0\0\0\1\0\x60"
                                                         "MTrk\0\0\0\7\x60\xC0\x01\0\xFF\x2F\0", 29);

    const std::string out = work + "/switched.wav";
    const Result r = run({"--quiet", "--preset", "A Quiet", "--midi", midi, "--program-changes", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioData switched = read(out);
    const double first = rmsDb(switched.channels[0], rate / 10, rate * 45 / 100);
    const double second = rmsDb(switched.channels[0], rate * 55 / 100, rate * 95 / 100);
    EXPECT_NEAR(second - first, 20.0, 0.5);

    // Without the option the first preset plays on, whatever the user's settings say.
    const Result off = run({"--quiet", "--preset", "A Quiet", "--midi", midi, in, work + "/kept.wav"});
    ASSERT_EQ(off.status, 0) << off.err;
    const AudioData kept = read(work + "/kept.wav");
    EXPECT_NEAR(rmsDb(kept.channels[0], rate * 55 / 100, rate * 95 / 100), first, 0.5);
}
