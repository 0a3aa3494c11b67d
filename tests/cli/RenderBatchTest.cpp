// Several INPUTs rendered into a folder at once: names from the inputs, each file all or nothing.
#include "support/RenderProgramFixture.h"

namespace fs = std::filesystem;

namespace {

class RenderBatchTest : public RenderProgramFixture {};

}  // namespace

TEST_F(RenderBatchTest, AFailedFileIsNamedAndTheOthersAreStillWritten) {
    fs::create_directories(dir / "rendered");
    const std::string a = writeLoop("a.wav"), b = writeLoop("b.wav", 48000);
    std::ofstream(path("broken.wav")) << "not audio";
    AudioData mono = synthesiseDemoLoop(22050, 120.0f, 1);
    mono.channels.resize(1);
    const std::string c = writeInput("c.aiff", mono);
    const std::vector<std::string> setting = {"--set", "Filter 1 Freq=1 kHz", "--set", "Filter 1 Peak=0.6"};

    const Result r = run(setting + std::vector<std::string>{"-j", "2", "--type", "flac", "--output-dir", path("rendered"),
                                                             a, path("broken.wav"), b, c});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_TRUE(contains(r.err, "kestrum-render: " + path("broken.wav") + ": ")) << r.err;
    EXPECT_EQ(lineCount(r.out), 3) << r.out;
    EXPECT_FALSE(fs::exists(dir / "rendered" / "broken.flac"));
    for (const auto& entry : fs::directory_iterator(dir / "rendered"))
        EXPECT_FALSE(contains(entry.path().string(), ".part")) << entry.path();

    // Each file is what a render of it alone gives, byte for byte, at its own rate and channels.
    for (const std::string name : {"a", "b", "c"}) {
        SCOPED_TRACE(name);
        const std::string batch = path("rendered/" + name + ".flac");
        ASSERT_TRUE(fs::exists(batch));
        const std::string input = name == "c" ? c : path(name + ".wav");
        ASSERT_EQ(run(setting + std::vector<std::string>{"-q", input, path(name + "-alone.flac")}).status, 0);
        EXPECT_TRUE(slurp(batch) == slurp(path(name + "-alone.flac")));
    }
    EXPECT_EQ(read(path("rendered/c.flac")).channels.size(), 1u);
    EXPECT_EQ(read(path("rendered/b.flac")).sampleRate, 48000);
}

TEST_F(RenderBatchTest, MistakesInTheBatchAreRefusedBeforeAnythingIsWritten) {
    fs::create_directories(dir / "x");
    fs::create_directories(dir / "y");
    fs::create_directories(dir / "out");
    const std::string x = writeInput("x/take.wav", synthesiseDemoLoop(44100, 120.0f, 1));
    const std::string y = writeInput("y/take.wav", synthesiseDemoLoop(44100, 120.0f, 1));
    const std::string inputBytes = slurp(x);
    struct Case {
        std::vector<std::string> args;
        std::string part;
    } cases[] = {
        {{"--output-dir", path("out"), x, y}, "would both be written to"},
        {{"--output-dir", path("x"), x}, "is the input"},
        {{"--output-dir", path("missing"), x}, "does not exist"},
        {{"--output-dir", path("out")}, "at least one INPUT"},
        {{"--output-dir", path("out"), "-"}, "standard input"},
        {{"--output-dir", path("out"), "--save-preset", path("p.zxp"), x}, "--save-preset takes one INPUT"},
        {{"--output-dir", path("out"), "--set", "Filter 1 Frq=2 kHz", x}, "unknown parameter"},
        {{x, y, path("out/z.wav")}, "too many arguments"},
    };
    for (const Case& c : cases) {
        expectRefused(run(c.args), c.part);
        EXPECT_TRUE(fs::is_empty(dir / "out"));
        EXPECT_EQ(slurp(x), inputBytes);
    }
}
