// Runs the built kestrum-render program the way a user does and checks its exit status, its
// messages and the files it writes: parameters, presets, the demo, MIDI.
#include <cmath>
#include <map>
#include <sstream>

#include "presets/PresetMessages.h"
#include "support/RenderProgramFixture.h"

namespace fs = std::filesystem;

namespace {

// A setting without modulation that exercises three filters of different kinds, a mixed routing,
// resonance, a filter delay, filter pan and gain.
const std::vector<std::string> kSetting = {
    "--set", "Num Active Filters=3",         "--set", "Routing=3",
    "--set", "Filter 1 Freq=800 Hz",         "--set", "Filter 1 Peak=0.8",
    "--set", "Filter 1 Characteristic=Hard", "--set", "Filter 1 Pan=0.2",
    "--set", "Filter 2 Response=BP",         "--set", "Filter 2 Freq=2 kHz",
    "--set", "Filter 2 Slope=48",            "--set", "Filter 3 Response=HP",
    "--set", "Filter 3 Characteristic=Clean", "--set", "Filter 3 Delay=3 ms",
    "--set", "Input Gain=3 dB",              "--set", "Mix=80 %",
};

class RenderProgramTest : public RenderProgramFixture {};

}  // namespace

TEST_F(RenderProgramTest, EveryRefusalExitsTwoWithOneLineAndWritesNoFile) {
    const std::string in = writeLoop("in.wav");
    AudioData three;
    three.sampleRate = 48000;
    three.channels.assign(3, std::vector<float>(256, 0.1f));
    const std::string threeChannels = writeInput("three.wav", three);
    std::ofstream(path("junk.zxp")) << "not a preset at all";
    // A header announcing a track whose data is cut short.
    std::ofstream(path("broken.mid"), std::ios::binary)
        << std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x20\0\x90\x3c", 25);

    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> expected;  // parts of the message
    } cases[] = {
        {{path("missing.wav")}, {"cannot read", "missing.wav"}},
        {{threeChannels}, {"3 channels", "only mono and stereo"}},
        {{"--set", "Filter 1 Frq=2 kHz", in}, {"unknown parameter 'Filter 1 Frq'", "did you mean 'Filter 1 Freq'"}},
        {{"--set", "Filter 1 Response=Notch", in}, {"'Notch' is not a valid value for 'Filter 1 Response'"}},
        {{"--set", "Mix=loud", in}, {"'loud' is not a valid value for 'Mix'"}},
        {{"--preset", path("junk.zxp"), in}, {PresetMessages::kOpenFailed, path("junk.zxp")}},
        {{"--preset", path("absent.zxp"), in}, {PresetMessages::kOpenFailed, path("absent.zxp")}},
        {{"--midi", path("broken.mid"), in}, {"the MIDI file", "broken.mid", "truncated"}},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args + std::vector<std::string>{path("out.wav"), "--save-preset", path("saved.zxp")});
        SCOPED_TRACE(r.err);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(lineCount(r.err), 1);
        EXPECT_EQ(r.err.rfind("kestrum-render: ", 0), 0u);
        for (const std::string& part : c.expected) EXPECT_NE(r.err.find(part), std::string::npos) << part;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(fs::exists(path("out.wav")));
        EXPECT_FALSE(fs::exists(path("saved.zxp")));
    }
    // No temporary file was left behind either.
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(RenderProgramTest, ListsEveryParameterByIdAsDocumented) {
    const Result r = run({"--list-params"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(lineCount(r.out), 709);

    // The documented host parameter table (the virtual parameters follow under their own heading).
    std::map<int, std::string> documented;
    std::ifstream docs(std::string(KESTRUM_SOURCE_DIR) + "/docs/parameters.md");
    for (std::string line; std::getline(docs, line);) {
        if (line.rfind("## ", 0) == 0 && !documented.empty()) break;
        if (line.size() < 3 || line[0] != '|' || !std::isdigit(static_cast<unsigned char>(line[2]))) continue;
        std::istringstream cells(line.substr(1));
        std::string id, name;
        std::getline(cells, id, '|');
        std::getline(cells, name, '|');
        documented[std::stoi(id)] = name.substr(1, name.size() - 2);
    }
    ASSERT_EQ(documented.size(), 709u);

    std::istringstream listing(r.out);
    int expectedId = 0;
    for (std::string line; std::getline(listing, line); ++expectedId) {
        std::istringstream fields(line);
        std::string id, name;
        std::getline(fields, id, '\t');
        std::getline(fields, name, '\t');
        EXPECT_EQ(id, std::to_string(expectedId));
        EXPECT_EQ(name, documented[expectedId]) << line;
    }

    // The listing shows values after --set.
    const Result set = run({"--set", "Filter 2 Response=BP", "--list-params"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find("21\tFilter 2 Response\tBP\t"), std::string::npos);
    EXPECT_NE(r.out.find("21\tFilter 2 Response\tLP\t"), std::string::npos);
}

TEST_F(RenderProgramTest, RenderIsBitIdenticalForEveryHostBufferSize) {
    const std::string in = writeLoop("in.wav");
    const Result small = run(kSetting + std::vector<std::string>{"--block", "64", "--tail", "0.25", in, path("a.wav")});
    ASSERT_EQ(small.status, 0) << small.err;
    EXPECT_TRUE(small.err.empty()) << "no progress bar without a terminal: " << small.err;
    const Result large = run(kSetting + std::vector<std::string>{"--block", "4096", "--tail", "0.25", in, path("b.wav")});
    ASSERT_EQ(large.status, 0) << large.err;

    const AudioData a = read(path("a.wav")), b = read(path("b.wav")), input = read(in);
    EXPECT_EQ(a.sampleRate, 44100);
    ASSERT_EQ(a.channels.size(), 2u);
    EXPECT_EQ(a.frames(), input.frames() + 11025);
    ASSERT_EQ(b.channels.size(), 2u);
    ASSERT_EQ(b.frames(), a.frames());
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < a.channels[c].size(); ++i) {
            ASSERT_TRUE(std::isfinite(a.channels[c][i])) << "channel " << c << " sample " << i;
            ASSERT_EQ(a.channels[c][i], b.channels[c][i]) << "channel " << c << " sample " << i;
        }

    // A mono file runs a mono instance.
    AudioData mono = input;
    mono.channels.resize(1);
    const Result m = run(kSetting + std::vector<std::string>{writeInput("mono.wav", mono), path("mono-out.wav")});
    ASSERT_EQ(m.status, 0) << m.err;
    EXPECT_EQ(read(path("mono-out.wav")).channels.size(), 1u);
}

TEST_F(RenderProgramTest, SetValuesApplyFromTheFirstSample) {
    // The only filter switched off (the routing passes its input), with and without a 12 dB output
    // cut: every sample differs by exactly that factor, so no gain glides in from the default at the
    // start of the file.
    const std::string in = writeLoop("in.wav");
    ASSERT_EQ(run({"--set", "Filter 1 Enabled=Disabled", in, path("unity.wav")}).status, 0);
    ASSERT_EQ(run({"--set", "Filter 1 Enabled=Disabled", "--set", "Output Gain=-12 dB", in, path("cut.wav")}).status, 0);
    const AudioData unity = read(path("unity.wav")), cut = read(path("cut.wav"));
    ASSERT_EQ(unity.channels.size(), cut.channels.size());
    const float factor = std::pow(10.0f, -12.0f / 20.0f);
    int compared = 0;
    for (size_t c = 0; c < unity.channels.size(); ++c)
        for (size_t i = 0; i < 4800 && i < unity.channels[c].size(); ++i) {
            const float reference = unity.channels[c][i];
            if (std::fabs(reference) < 1e-3f) continue;
            ASSERT_NEAR(cut.channels[c][i] / reference, factor, 1e-4f) << "channel " << c << " sample " << i;
            ++compared;
        }
    EXPECT_GT(compared, 1000);
}

TEST_F(RenderProgramTest, SavedPresetReproducesTheSettingExactly) {
    const std::string in = writeLoop("in.wav");
    const Result first = run(kSetting + std::vector<std::string>{"--save-preset", path("setting.zxp"), in, path("a.wav")});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_TRUE(fs::exists(path("setting.zxp")));

    const Result second = run({"--preset", path("setting.zxp"), in, path("b.wav")});
    ASSERT_EQ(second.status, 0) << second.err;
    const AudioData a = read(path("a.wav")), b = read(path("b.wav"));
    ASSERT_EQ(a.channels.size(), b.channels.size());
    for (size_t c = 0; c < a.channels.size(); ++c) EXPECT_TRUE(a.channels[c] == b.channels[c]) << "channel " << c;

    // Every parameter value came back, not only the ones that shape this input.
    const Result direct = run(kSetting + std::vector<std::string>{"--list-params"});
    const Result loaded = run({"--preset", path("setting.zxp"), "--list-params"});
    ASSERT_EQ(direct.status, 0) << direct.err;
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(direct.out, loaded.out);
    EXPECT_NE(direct.out, run({"--list-params"}).out);
}

TEST_F(RenderProgramTest, DemoWritesTheLoopAndAnAudiblyDifferentRendering) {
    const fs::path folder = dir / "nested" / "demo";
    const Result r = run({"--demo", folder.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + (folder / "demo-input.wav").string() + "\nwrote " +
                         (folder / "demo-output.wav").string() + "\n");

    const AudioData input = read((folder / "demo-input.wav").string());
    const AudioData output = read((folder / "demo-output.wav").string());
    EXPECT_EQ(input.sampleRate, 48000);
    EXPECT_EQ(output.sampleRate, 48000);
    ASSERT_EQ(input.channels.size(), 2u);
    ASSERT_EQ(output.channels.size(), 2u);
    ASSERT_GE(output.frames(), input.frames());

    double difference = 0.0, level = 0.0;
    for (size_t c = 0; c < 2; ++c)
        for (size_t i = 0; i < input.channels[c].size(); ++i) {
            ASSERT_TRUE(std::isfinite(output.channels[c][i]));
            const double d = output.channels[c][i] - input.channels[c][i];
            difference += d * d;
            level += static_cast<double>(input.channels[c][i]) * input.channels[c][i];
        }
    ASSERT_GT(level, 0.0);
    // At least -20 dB of change relative to the loop: the filters are clearly heard.
    EXPECT_GT(difference / level, 0.01);
}

TEST_F(RenderProgramTest, DemoRefusesAFolderItCannotCreateOrFill) {
    std::ofstream(path("plain-file")) << "x";
    const Result blocked = run({"--demo", path("plain-file") + "/demo"});
    EXPECT_EQ(blocked.status, 2);
    EXPECT_EQ(lineCount(blocked.err), 1) << blocked.err;
    EXPECT_NE(blocked.err.find("cannot create the demo folder"), std::string::npos) << blocked.err;
    EXPECT_TRUE(blocked.out.empty());

    // The output name is taken by a folder: nothing of the demo stays behind.
    fs::create_directories(dir / "demo" / "demo-output.wav");
    const Result taken = run({"--demo", path("demo")});
    EXPECT_EQ(taken.status, 2);
    EXPECT_EQ(lineCount(taken.err), 1) << taken.err;
    EXPECT_NE(taken.err.find("demo-output.wav"), std::string::npos) << taken.err;
    EXPECT_TRUE(taken.out.empty());
    EXPECT_FALSE(fs::exists(dir / "demo" / "demo-input.wav"));
}

TEST_F(RenderProgramTest, OutputSampleFormatFollowsTheFormatOption) {
    const std::string in = writeLoop("in.wav");
    ASSERT_EQ(run(kSetting + std::vector<std::string>{in, path("float.wav")}).status, 0);
    const Result r = run(kSetting + std::vector<std::string>{"--format", "pcm16", in, path("pcm16.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(subformat(path("float.wav")), SF_FORMAT_FLOAT);
    EXPECT_EQ(subformat(path("pcm16.wav")), SF_FORMAT_PCM_16);

    // The same audio, quantised to 16 bits (and clipped at full scale).
    const AudioData f = read(path("float.wav")), q = read(path("pcm16.wav"));
    ASSERT_EQ(f.channels.size(), q.channels.size());
    for (size_t c = 0; c < f.channels.size(); ++c) {
        ASSERT_EQ(f.channels[c].size(), q.channels[c].size());
        for (size_t i = 0; i < f.channels[c].size(); ++i)
            ASSERT_NEAR(std::clamp(f.channels[c][i], -1.0f, 1.0f), q.channels[c][i], 2.0f / 32768.0f) << i;
    }
}

// Notes in a MIDI file open a MIDI-triggered envelope that sweeps a low-passed filter open: the
// rendered file is loud around the note times and quiet in between.
TEST_F(RenderProgramTest, MidiNotesOpenTheFilterAtTheirTimes) {
    // Bright input: full-scale-ish noise for three seconds at 48 kHz.
    AudioData noise;
    noise.sampleRate = 48000;
    noise.channels.assign(1, std::vector<float>(3 * 48000));
    uint32_t state = 1;
    for (float& x : noise.channels[0]) {
        state = state * 1664525u + 1013904223u;
        x = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 0.8f;
    }
    const std::string in = writeInput("noise.wav", noise);
    // 120 BPM (no tempo event), 480 ticks per beat, so 240 ticks are 0.25 s: notes from 0.25 s to
    // 0.5 s and from 1.25 s to 1.5 s.
    const unsigned char midi[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0,                       // format 0, 480 tpq
        'M', 'T', 'r', 'k', 0, 0, 0, 24,                                              //
        0x81, 0x70, 0x90, 60, 100,  // +240 ticks: on at 0.25 s
        0x81, 0x70, 0x80, 60, 0,    // +240: off at 0.5 s
        0x85, 0x50, 0x90, 64, 100,  // +720: on at 1.25 s
        0x81, 0x70, 0x80, 64, 0,    // +240: off at 1.5 s
        0x00, 0xff, 0x2f, 0x00};
    std::ofstream(path("notes.mid"), std::ios::binary).write(reinterpret_cast<const char*>(midi), sizeof midi);
    const Result r = run({"--midi", path("notes.mid"), "--set", "Filter 1 Characteristic=Clean", "--set",
                          "Filter 1 Freq=80 Hz", "--set", "Filter 1 Slope=24", "--set", "Num Active EGs=1", "--set",
                          "EG 1 Triggering=MIDI", "--set", "EG 1 Attack=0.01 sec", "--set", "EG 1 Release=0.05 sec",
                          "--set", "Num Active Slots=1", "--set", "Slot 1 Source=EG 1", "--set",
                          "Slot 1 Target=Filter 1 Freq", "--set", "Slot 1 Level=1", in, path("out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioData out = read(path("out.wav"));
    auto level = [&](double from, double to) {
        double e = 0.0;
        size_t a = static_cast<size_t>(from * 48000), b = static_cast<size_t>(to * 48000);
        for (size_t i = a; i < b; ++i) e += static_cast<double>(out.channels[0][i]) * out.channels[0][i];
        return 10.0 * std::log10(e / static_cast<double>(b - a) + 1e-20);
    };
    const double closedBefore = level(0.05, 0.22), open1 = level(0.3, 0.45), closedBetween = level(0.7, 1.2),
                 open2 = level(1.3, 1.45), closedAfter = level(1.7, 2.9);
    EXPECT_GT(open1 - closedBefore, 12.0);
    EXPECT_GT(open1 - closedBetween, 12.0);
    EXPECT_GT(open2 - closedBetween, 12.0);
    EXPECT_GT(open2 - closedAfter, 12.0);
}
