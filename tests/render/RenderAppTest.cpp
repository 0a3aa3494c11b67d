#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RenderApp.h"
#include "support/TestPlugin.h"

namespace fs = std::filesystem;

namespace {

// Drives the command line with the framework's test plug-in (processed = 2 × input).
class RenderAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kestrum-render-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string writeInput(const std::string& name, int channels, int frames, int rate = 48000) {
        AudioData d;
        d.sampleRate = rate;
        d.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames)));
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < frames; ++i)
                d.channels[static_cast<size_t>(c)][static_cast<size_t>(i)] = 0.25f * std::sin(0.01f * static_cast<float>(i * (c + 1)));
        std::string e;
        EXPECT_TRUE(writeAudioFile(path(name), d, SampleFormat::Float, e)) << e;
        return path(name);
    }

    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        RenderApp app([](int channels) { return std::make_unique<TestPlugin>(channels); },
                      [](GenericPlugin&, const std::string& p, std::string& e) {
                          e = "The preset file could not be opened: " + p;
                          return false;
                      },
                      [](GenericPlugin&, const std::string&) { return true; });
        return app.run(args, out, err, false);
    }

    AudioData read(const std::string& p) {
        AudioData d;
        std::string e;
        EXPECT_TRUE(readAudioFile(p, d, e)) << e;
        return d;
    }

    fs::path dir;
    std::ostringstream out, err;
};

}  // namespace

TEST_F(RenderAppTest, RendersStereoAndMonoAtTheInputRateWithTail) {
    std::string in = writeInput("in.wav", 2, 1000, 44100);
    ASSERT_EQ(run({"--tail", "0.01", in, path("out.wav")}), 0) << err.str();
    AudioData o = read(path("out.wav"));
    EXPECT_EQ(o.sampleRate, 44100);
    ASSERT_EQ(o.channels.size(), 2u);
    EXPECT_EQ(o.frames(), 1000 + 441);
    AudioData i = read(in);
    EXPECT_FLOAT_EQ(o.channels[1][500], 2.0f * i.channels[1][500]);
    EXPECT_FLOAT_EQ(o.channels[0][1200], 0.0f);

    std::string mono = writeInput("mono.wav", 1, 300);
    ASSERT_EQ(run({mono, path("mono-out.wav"), "--format", "pcm16"}), 0) << err.str();
    EXPECT_EQ(read(path("mono-out.wav")).channels.size(), 1u);
}

TEST_F(RenderAppTest, OutputIsTheSameForEveryHostBufferSize) {
    std::string in = writeInput("in.wav", 2, 20000);
    ASSERT_EQ(run({"--block", "64", in, path("a.wav")}), 0);
    ASSERT_EQ(run({"--block", "4096", in, path("b.wav")}), 0);
    EXPECT_EQ(read(path("a.wav")).channels, read(path("b.wav")).channels);
}

TEST_F(RenderAppTest, EveryRefusalIsOneLineExitTwoAndNoFile) {
    std::string in = writeInput("in.wav", 2, 100);
    std::string three = writeInput("three.wav", 3, 100);
    std::ofstream(path("junk.wav")) << "not audio";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{path("missing.wav"), path("o.wav")}, "cannot read"},
        {{path("junk.wav"), path("o.wav")}, "cannot read"},
        {{three, path("o.wav")}, "only mono and stereo"},
        {{"--set", "P9=0.5", in, path("o.wav")}, "unknown parameter 'P9'; did you mean 'P0'"},
        {{"--set", "P1=abc", in, path("o.wav")}, "'abc' is not a valid value for 'P1'"},
        {{"--set", "P1", in, path("o.wav")}, "NAME=VALUE"},
        {{"--preset", path("x.zxp"), in, path("o.wav")}, "could not be opened"},
        {{"--block", "0", in, path("o.wav")}, "--block"},
        {{"--tempo", "nan", in, path("o.wav")}, "--tempo"},
        {{"--format", "mp3", in, path("o.wav")}, "--format"},
        {{"--sidechain", path("missing.wav"), in, path("o.wav")}, "cannot read"},
        {{in}, "INPUT and OUTPUT"},
        {{"--bogus", in, path("o.wav")}, "unknown option"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.args), 2) << c.message;
        const std::string message = err.str();
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_FALSE(fs::exists(path("o.wav"))) << c.message;
    }
}

TEST_F(RenderAppTest, ExistingOutputSurvivesAFailedRun) {
    std::string in = writeInput("in.wav", 2, 100);
    std::ofstream(path("keep.wav")) << "precious";
    EXPECT_EQ(run({"--set", "P0=7", in, path("keep.wav")}), 2);
    std::ifstream f(path("keep.wav"));
    std::string content((std::istreambuf_iterator<char>(f)), {});
    EXPECT_EQ(content, "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no leftovers
}

TEST_F(RenderAppTest, ListsEveryParameterAndAppliesSetValues) {
    ASSERT_EQ(run({"--set", "P2=0.75", "--list-params"}), 0) << err.str();
    std::string listing = out.str();
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 5);  // four P parameters and Receive MIDI
    EXPECT_NE(listing.find("2\tP2\t0.750000"), std::string::npos) << listing;
}
