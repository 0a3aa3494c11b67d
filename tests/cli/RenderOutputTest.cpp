// What kestrum-render does to the file it writes: devices, FIFOs, links and read-only files are
// never replaced, a file the render needs is never overwritten, and every file type reads back.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "support/RenderProgramFixture.h"

namespace fs = std::filesystem;

namespace {

class RenderOutputTest : public RenderProgramFixture {
protected:
    // No temporary file is left in a folder.
    void expectNoLeftovers(const fs::path& folder) {
        for (const auto& entry : fs::directory_iterator(folder))
            EXPECT_FALSE(contains(entry.path().filename().string(), ".part")) << entry.path();
    }
};

}  // namespace

TEST_F(RenderOutputTest, ADeviceNodeStaysADevice) {
    if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    const std::string device = path("null-device");
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "device nodes cannot be made here";
    const Result r = run({writeLoop("in.wav"), device});
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(lstat(device.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
    expectNoLeftovers(dir);
}

TEST_F(RenderOutputTest, AFifoIsWrittenToInAStreamableType) {
    const std::string in = writeLoop("in.wav");
    const std::string fifo = path("live.flac");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::string received;
    std::thread reader([&] { received = slurp(fifo); });
    const Result r = run({in, fifo});
    reader.join();
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::ofstream(path("received.flac"), std::ios::binary) << received;
    EXPECT_EQ(read(path("received.flac")).frames(), read(in).frames());

    // WAV cannot go through a FIFO: refused before the FIFO is opened (nobody reads this one).
    const std::string wavFifo = path("live.wav");
    ASSERT_EQ(mkfifo(wavFifo.c_str(), 0644), 0);
    expectRefused(run({in, wavFifo}), "--type flac");
    expectNoLeftovers(dir);
}

TEST_F(RenderOutputTest, ASymbolicLinkKeepsPointingAtItsReplacedTarget) {
    const std::string in = writeLoop("in.wav");
    fs::create_directories(dir / "takes");
    std::ofstream(path("takes/real.wav")) << "old take";
    fs::create_symlink("takes/real.wav", dir / "link.wav");
    const Result r = run({in, path("link.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::is_symlink(dir / "link.wav"));
    EXPECT_EQ(fs::read_symlink(dir / "link.wav"), "takes/real.wav");
    EXPECT_EQ(read(path("takes/real.wav")).frames(), read(in).frames());
    expectNoLeftovers(dir);
    expectNoLeftovers(dir / "takes");
}

TEST_F(RenderOutputTest, ExistingFilesAreReplacedOnlyWhenAllowed) {
    const std::string in = writeLoop("in.wav");
    // A read-only OUTPUT is refused (also for root, who could write it).
    std::ofstream(path("locked.wav")) << "precious";
    fs::permissions(path("locked.wav"), fs::perms::owner_read | fs::perms::group_read);
    expectRefused(run({in, path("locked.wav")}), "read-only");
    EXPECT_EQ(slurp(path("locked.wav")), "precious");

    // A replaced file keeps its permissions.
    std::ofstream(path("shared.wav")) << "old";
    fs::permissions(path("shared.wav"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                            fs::perms::group_write | fs::perms::others_read);
    ASSERT_EQ(run({in, path("shared.wav")}).status, 0);
    EXPECT_EQ(fs::status(path("shared.wav")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                  fs::perms::others_read);

    // A folder, or a folder that does not exist.
    fs::create_directories(dir / "folder.wav");
    expectRefused(run({in, path("folder.wav")}), "it is a folder");
    expectRefused(run({in, path("nowhere/out.wav")}), "does not exist");
    expectNoLeftovers(dir);
}

TEST_F(RenderOutputTest, FilesTheRenderReadsAreNeverOverwritten) {
    const std::string in = writeLoop("in.wav");
    const std::string side = writeLoop("side.wav");
    const std::string original = slurp(in), originalSide = slurp(side);
    fs::create_directories(dir / "sub");
    fs::create_hard_link(in, dir / "hardlink.wav");
    struct Case {
        std::vector<std::string> args;
        std::string part;
    } cases[] = {
        {{in, path("sub/../in.wav")}, "is the input"},
        {{in, path("hardlink.wav")}, "is the input"},
        {{"--sidechain", side, in, side}, "is the side-chain file"},
        {{"--save-preset", in, in, path("out.wav")}, "--save-preset"},
        {{"--save-preset", side, "--sidechain", side, in, path("out.wav")}, "--save-preset"},
        {{"--save-preset", path("out.wav"), in, path("out.wav")}, "is OUTPUT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        expectRefused(run(c.args), c.part);
        EXPECT_EQ(slurp(in), original);
        EXPECT_EQ(slurp(side), originalSide);
        EXPECT_FALSE(fs::exists(path("out.wav")));
    }
}

TEST_F(RenderOutputTest, AnInterruptedRenderLeavesNothingBehind) {
    const std::string in = writeLoop("in.wav");
    std::ofstream(path("kept.wav")) << "kept";
    for (int signal : {SIGINT, SIGTERM}) {
        // An hour of tail: far from done when the signal comes.
        Streams interrupted;
        interrupted.interruptMs = 400;
        interrupted.interruptSignal = signal;
        const Result r = run({"-q", "--tail", "3600", in, path("kept.wav")}, interrupted);
        EXPECT_EQ(r.signal, signal) << r.err;
        EXPECT_EQ(slurp(path("kept.wav")), "kept");
        expectNoLeftovers(dir);
    }
}

TEST_F(RenderOutputTest, OutputIsNotWrittenWhenThePresetCannotBe) {
    const std::string in = writeLoop("in.wav");
    expectRefused(run({"--save-preset", path("missing/setting.zxp"), in, path("out.wav")}), "setting.zxp");
    EXPECT_FALSE(fs::exists(path("out.wav")));
    std::ofstream(path("kept.wav")) << "kept";
    fs::create_directories(dir / "preset-folder.zxp");
    expectRefused(run({"--save-preset", path("preset-folder.zxp"), in, path("kept.wav")}), "preset-folder.zxp");
    EXPECT_EQ(slurp(path("kept.wav")), "kept");
    expectNoLeftovers(dir);
}

TEST_F(RenderOutputTest, EveryFileTypeReadsBackWithTheInputsRateAndChannels) {
    AudioData stereo = synthesiseDemoLoop(96000, 120.0f, 1);
    stereo.channels[0].resize(48000);
    stereo.channels[1].resize(48000);
    AudioData mono = synthesiseDemoLoop(22050, 120.0f, 1);
    mono.channels.resize(1);
    const std::string inputs[] = {writeInput("stereo.wav", stereo), writeInput("mono.wav", mono)};
    const AudioData* data[] = {&stereo, &mono};
    struct Type {
        std::string name;
        int container, encoding;
    } types[] = {
        {"out.flac", SF_FORMAT_FLAC, SF_FORMAT_PCM_24}, {"out.ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
        {"out.aiff", SF_FORMAT_AIFF, SF_FORMAT_FLOAT},  {"out.aif", SF_FORMAT_AIFF, SF_FORMAT_FLOAT},
        {"out.caf", SF_FORMAT_CAF, SF_FORMAT_FLOAT},    {"OUT.WAV", SF_FORMAT_WAV, SF_FORMAT_FLOAT},
    };
    for (size_t i = 0; i < 2; ++i)
        for (const Type& t : types) {
            SCOPED_TRACE(inputs[i] + " -> " + t.name);
            const Result r = run({"-q", inputs[i], path(t.name)});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(formatOf(path(t.name)), t.container | t.encoding);
            const AudioData back = read(path(t.name));
            EXPECT_EQ(back.sampleRate, data[i]->sampleRate);
            EXPECT_EQ(back.channels.size(), data[i]->channels.size());
            EXPECT_EQ(back.frames(), data[i]->frames());
        }

    // --format chooses the sample format where the type has a choice; --type names a type.
    ASSERT_EQ(run({"--format", "pcm16", inputs[1], path("small.flac")}).status, 0);
    EXPECT_EQ(formatOf(path("small.flac")), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    ASSERT_EQ(run({"--format", "pcm24", inputs[1], path("deep.aiff")}).status, 0);
    EXPECT_EQ(formatOf(path("deep.aiff")), SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
    ASSERT_EQ(run({"--type", "ogg", inputs[1], path("no-extension")}).status, 0);
    EXPECT_EQ(formatOf(path("no-extension")) & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);

    expectRefused(run({inputs[1], path("out.mp3")}), ".wav, .flac, .ogg, .aif/.aiff, .caf");
    expectRefused(run({"--format", "float", inputs[1], path("x.flac")}), "FLAC stores integer samples only");
    expectRefused(run({"--format", "pcm16", inputs[1], path("x.ogg")}), "Ogg/Vorbis");
    expectRefused(run({"--type", "flac", inputs[1], path("x.wav")}), "names a WAV file but --type asks for FLAC");
    for (const char* name : {"out.mp3", "x.flac", "x.ogg", "x.wav"}) EXPECT_FALSE(fs::exists(path(name))) << name;
}

TEST_F(RenderOutputTest, TheSameRenderGivesTheSameBytes) {
    const std::string in = writeLoop("in.wav");
    for (const std::string ext : {".wav", ".aiff", ".caf", ".flac", ".ogg"}) {
        SCOPED_TRACE(ext);
        ASSERT_EQ(run({"-q", "--set", "Filter 1 Freq=1 kHz", in, path("a" + ext)}).status, 0);
        ASSERT_EQ(run({"-q", "--set", "Filter 1 Freq=1 kHz", in, path("b" + ext)}).status, 0);
        const std::string a = slurp(path("a" + ext));
        EXPECT_GT(a.size(), 1000u);
        EXPECT_TRUE(a == slurp(path("b" + ext)));
    }
}

TEST_F(RenderOutputTest, StandardOutputTakesAStreamableType) {
    const std::string in = writeLoop("in.wav");
    Streams pipe;
    pipe.pipeOut = true;
    const Result flac = run({"--type", "flac", in, "-"}, pipe);
    ASSERT_EQ(flac.status, 0) << flac.err;
    // The summary moves to the error stream, out of the audio's way.
    EXPECT_TRUE(contains(flac.err, "standard output: ")) << flac.err;
    std::ofstream(path("piped.flac"), std::ios::binary) << flac.out;
    EXPECT_EQ(read(path("piped.flac")).frames(), read(in).frames());

    const Result wav = run({in, "-"}, pipe);
    EXPECT_EQ(wav.status, 2);
    EXPECT_TRUE(wav.out.empty());
    EXPECT_TRUE(contains(wav.err, "--type flac")) << wav.err;

    // Redirected into a file, standard output can seek, so WAV works there.
    const Result redirected = run({"-q", in, "-"});
    ASSERT_EQ(redirected.status, 0) << redirected.err;
    std::ofstream(path("redirected.wav"), std::ios::binary) << redirected.out;
    EXPECT_EQ(read(path("redirected.wav")).frames(), read(in).frames());
}
