// How kestrum-render is used: help and version, GNU-style options, plain messages for files it
// cannot use, the summary line, repeatable random modulation.
#include <regex>

#include "support/RenderProgramFixture.h"

namespace fs = std::filesystem;

namespace {

class RenderCommandLineTest : public RenderProgramFixture {};

// A low-pass swept by an XLFO whose two steps are random.
const std::vector<std::string> kRandomSweep = {
    "--set", "Filter 1 Freq=300 Hz",         "--set", "Num Active XLFOs=1",
    "--set", "XLFO 1 Frequency=20 Hz",       "--set", "XLFO 1 Step 1 Random=Random",
    "--set", "XLFO 1 Step 2 Random=Random",  "--set", "Num Active Slots=1",
    "--set", "Slot 1 Source=XLFO 1",         "--set", "Slot 1 Target=Filter 1 Freq",
    "--set", "Slot 1 Level=1",
};

}  // namespace

TEST_F(RenderCommandLineTest, HelpVersionAndNoArgumentsPrintWithoutRendering) {
    const Result bare = run({});
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(bare.out.rfind("usage: kestrum-render", 0), 0u) << bare.out;
    EXPECT_TRUE(bare.err.empty());
    for (const std::string option : {"--help", "-h"}) {
        const Result help = run({option});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, bare.out);
    }
    // Every option the usage names is documented.
    const std::string docs = slurp(std::string(KESTRUM_SOURCE_DIR) + "/docs/cli.md");
    const std::regex optionName("--[a-z][a-z-]+");
    for (auto it = std::sregex_iterator(bare.out.begin(), bare.out.end(), optionName); it != std::sregex_iterator(); ++it) {
        std::string quoted = "`";
        quoted += it->str();
        EXPECT_TRUE(contains(docs, quoted)) << it->str() << " is not in docs/cli.md";
    }

    // The modulation listings: one line per source and per target.
    const Result sources = run({"--list-sources"}), targets = run({"--list-targets"});
    EXPECT_EQ(sources.status, 0) << sources.err;
    EXPECT_EQ(lineCount(sources.out), 34);
    EXPECT_EQ(sources.out.rfind("0\tXY 1 Hor\t", 0), 0u) << sources.out;
    EXPECT_EQ(lineCount(targets.out), 113);
    EXPECT_TRUE(contains(targets.out, "\tFilter 1 Freq\t")) << targets.out;
    EXPECT_EQ(run({"--list-sources", path("in.wav")}).status, 2);

    const Result version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("kestrum-render [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;
}

TEST_F(RenderCommandLineTest, GnuStyleOptionsMeanTheSame) {
    const std::string in = writeLoop("in.wav");
    ASSERT_EQ(run({"-q", "--block", "64", "--tail", "0.1", "--set", "Filter 1 Freq=1 kHz", in, path("a.wav")}).status, 0);
    ASSERT_EQ(run({"--quiet", "--block=64", "--tail=0.1", "--set=Filter 1 Freq=1 kHz", in, path("b.wav")}).status, 0);
    EXPECT_TRUE(slurp(path("a.wav")) == slurp(path("b.wav")));

    // "--" ends the options: a file may start with a dash.
    fs::copy_file(in, dir / "-take.wav");
    Streams here;
    here.workdir = dir.string();
    const Result dashed = run({"-q", "--", "-take.wav", "-out.wav"}, here);
    ASSERT_EQ(dashed.status, 0) << dashed.err;
    EXPECT_TRUE(fs::exists(dir / "-out.wav"));
    const Result unknown = run({"-take.wav", "-out.wav"}, here);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(contains(unknown.err, "unknown option '-take.wav'")) << unknown.err;

    struct Case {
        std::vector<std::string> args;
        std::string part;
    } refusals[] = {
        {{"--quiet=yes", in, path("c.wav")}, "--quiet takes no value"},
        {{in, path("c.wav"), "--tail"}, "--tail needs a value"},
        {{"--tail=3601", in, path("c.wav")}, "0 to 3600"},
        {{"--seed", "-1", in, path("c.wav")}, "--seed expects a whole number"},
        {{"-j", "0", in, path("c.wav")}, "--jobs expects a whole number"},
        {{"--type", "mp3", in, path("c.wav")}, "unknown --type 'mp3'"},
    };
    for (const Case& c : refusals) expectRefused(run(c.args), c.part);
    EXPECT_FALSE(fs::exists(path("c.wav")));
}

TEST_F(RenderCommandLineTest, FilesItCannotUseGetPlainMessages) {
    const std::string in = writeLoop("in.wav");
    fs::create_directories(dir / "folder");
    std::ofstream(path("noise.wav")) << "not audio at all";
    struct Case {
        std::vector<std::string> args;
        std::string part;
    } cases[] = {
        {{"--midi", path("folder"), in, path("out.wav")}, "cannot read the MIDI file '" + path("folder") + "': it is a folder"},
        {{"--midi", path("none.mid"), in, path("out.wav")}, "no such file"},
        {{path("folder"), path("out.wav")}, "cannot read '" + path("folder") + "': it is a folder"},
        {{"--sidechain", path("folder"), in, path("out.wav")}, "it is a folder"},
        {{path("noise.wav"), path("out.wav")}, "not an audio file"},
        {{path("none.wav"), path("out.wav")}, "cannot read '" + path("none.wav") + "': no such file"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        expectRefused(r, c.part);
        for (const char* leak : {"basic_", "std::", "filebuf", "System error"}) EXPECT_FALSE(contains(r.err, leak)) << leak;
    }
    EXPECT_FALSE(fs::exists(path("out.wav")));
}

TEST_F(RenderCommandLineTest, EachRenderEndsWithASummaryLine) {
    const std::string in = writeLoop("in.wav");  // one bar at 120 BPM: 2 s
    const Result r = run({"--tail", "0.5", in, path("out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex(std::regex_replace(path("out.wav"), std::regex("[.]"), "\\.") +
                                                   ": 2\\.50 s, peak -?[0-9]+\\.[0-9] dBFS, 0 clipped, [0-9.]+x real time\n")))
        << r.out;
    const Result quiet = run({"-q", in, path("quiet.wav")});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;

    // Silence has no level in decibels.
    AudioData silence;
    silence.sampleRate = 48000;
    silence.channels.assign(2, std::vector<float>(4800, 0.0f));
    const Result silent = run({"--set", "Filter 1 Enabled=Disabled", writeInput("silence.wav", silence), path("s.wav")});
    EXPECT_TRUE(contains(silent.out, "peak -inf dBFS")) << silent.out;
}

TEST_F(RenderCommandLineTest, AProgressBarIsDrawnOnlyOnATerminal) {
    const std::string in = writeLoop("in.wav");
    Streams terminal;
    terminal.terminalErr = true;
    const Result r = run({"--block", "256", "--tail", "1", in, path("out.wav")}, terminal);
    ASSERT_EQ(r.status, 0) << r.err;
    // The bar reaches 100 % and is wiped before the program ends.
    const size_t full = r.err.find("] 100%");
    ASSERT_NE(full, std::string::npos) << r.err;
    EXPECT_TRUE(contains(r.err.substr(full), "\r" + std::string(48, ' ') + "\r")) << r.err;
    EXPECT_TRUE(contains(r.err, "] 50%")) << r.err;
    EXPECT_TRUE(contains(r.out, "3.00 s")) << r.out;

    // From a pipe, the length comes from the header.
    const AudioData loop = read(in);
    terminal.pipeIn = true;
    terminal.stdinBytes = slurp(in);
    const Result piped = run({"--tail", "1", "-", path("piped.wav")}, terminal);
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(contains(piped.err, "] 100%")) << piped.err;
    EXPECT_EQ(read(path("piped.wav")).frames(), loop.frames() + 44100);

    const Result quiet = run({"-q", in, path("quiet.wav")}, terminal);
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

TEST_F(RenderCommandLineTest, SeedMakesRandomStepsRepeatable) {
    const std::string in = writeLoop("in.wav");
    for (const char* name : {"seed7-a.wav", "seed7-b.wav"})
        ASSERT_EQ(run(kRandomSweep + std::vector<std::string>{"-q", "--seed", "7", in, path(name)}).status, 0);
    ASSERT_EQ(run(kRandomSweep + std::vector<std::string>{"-q", "--seed=8", in, path("seed8.wav")}).status, 0);
    EXPECT_TRUE(slurp(path("seed7-a.wav")) == slurp(path("seed7-b.wav")));
    EXPECT_FALSE(slurp(path("seed7-a.wav")) == slurp(path("seed8.wav")));
}
