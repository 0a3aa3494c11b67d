// What kestrum-render accepts as input: supported rates and channel counts only, for the side chain
// too; files shorter than their header; standard input; integer output that clips.
#include <cmath>
#include <cstdint>

#include "support/RenderProgramFixture.h"

namespace fs = std::filesystem;

namespace {

class RenderInputTest : public RenderProgramFixture {
protected:
    AudioData tone(int rate, int channels, long long frames, float amplitude = 0.5f) {
        AudioData d;
        d.sampleRate = rate;
        d.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames)));
        for (auto& c : d.channels)
            for (size_t i = 0; i < c.size(); ++i) c[i] = amplitude * std::sin(0.05f * static_cast<float>(i));
        return d;
    }
    // A 16-bit stereo WAV header announcing `frames` frames at `rate`, followed by `present` frames.
    static std::string wavHeader(uint32_t rate, uint32_t frames, uint32_t present) {
        auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
        auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
        const uint32_t bytes = frames * 4;
        return "RIFF" + le32(36 + bytes) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(2) + le32(rate) +
               le32(rate * 4) + le16(4) + le16(16) + "data" + le32(bytes) + std::string(present * 4, '\x10');
    }
};

}  // namespace

TEST_F(RenderInputTest, RatesAndChannelsTheEngineCannotRunAreRefused) {
    struct Case {
        std::vector<std::string> args;
        std::string part;
    } cases[] = {
        {{writeInput("slow.wav", tone(7999, 1, 800))}, "7999 Hz; the rates supported are 8000 to 384000 Hz"},
        {{writeInput("fast.wav", tone(384001, 2, 800))}, "384001 Hz"},
        {{"--sidechain", writeInput("side3.wav", tone(48000, 3, 800)), writeInput("in48.wav", tone(48000, 2, 800))},
         "has 3 channels; only mono and stereo"},
        {{"--sidechain", writeInput("side44.wav", tone(44100, 1, 800)), path("in48.wav")},
         "the side-chain file runs at 44100 Hz but the input at 48000 Hz"},
        {{"--sidechain", path("slow.wav"), writeInput("in7999.wav", tone(7999, 2, 800))}, "7999 Hz"},
    };
    std::ofstream(path("huge-rate.wav"), std::ios::binary) << wavHeader(0x7fffffffu, 0x1fffffffu, 256);
    for (const Case& c : cases) {
        expectRefused(run(c.args + std::vector<std::string>{path("out.wav")}), c.part);
        EXPECT_FALSE(fs::exists(path("out.wav")));
    }
    // A header claiming 2^31-1 Hz (and half a gigaframe) is refused at once, not rendered.
    expectRefused(run({path("huge-rate.wav"), path("out.wav")}), "2147483647 Hz");
    EXPECT_FALSE(fs::exists(path("out.wav")));

    // The limits themselves are accepted.
    EXPECT_EQ(run({"-q", writeInput("low.wav", tone(8000, 1, 800)), path("low-out.wav")}).status, 0);
    EXPECT_EQ(run({"-q", writeInput("high.wav", tone(384000, 2, 800)), path("high-out.wav")}).status, 0);
    EXPECT_EQ(read(path("high-out.wav")).sampleRate, 384000);
}

TEST_F(RenderInputTest, AFileShorterThanItsHeaderIsRenderedWithAWarning) {
    std::ofstream(path("cut.wav"), std::ios::binary) << wavHeader(48000, 48000, 10000);
    const Result r = run({"-q", path("cut.wav"), path("out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_TRUE(contains(r.err, "warning: '" + path("cut.wav") + "' is shorter than its header says")) << r.err;
    EXPECT_TRUE(contains(r.err, "10000 frames it holds of the 48000 announced")) << r.err;
    EXPECT_EQ(read(path("out.wav")).frames(), 10000);

    // The same through a pipe, where only reading to the end tells.
    Streams pipe;
    pipe.pipeIn = true;
    pipe.stdinBytes = slurp(path("cut.wav"));
    const Result piped = run({"-q", "-", path("piped.wav")}, pipe);
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(contains(piped.err, "standard input is shorter than its header says")) << piped.err;
    EXPECT_EQ(read(path("piped.wav")).frames(), 10000);

    // A header announcing over 4 GB of output makes the WAV an RF64, which can say so; AIFF cannot.
    pipe.stdinBytes = wavHeader(48000, 0x3fffffffu, 10000);
    const Result big = run({"-q", "-", path("big.wav")}, pipe);
    ASSERT_EQ(big.status, 0) << big.err;
    EXPECT_EQ(formatOf(path("big.wav")), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(read(path("big.wav")).frames(), 10000);
    expectRefused(run({"-q", "-", path("big.aiff")}, pipe), "AIFF cannot hold");

    // A whole file gives no warning.
    const Result whole = run({"-q", writeInput("whole.wav", tone(48000, 2, 5000)), path("whole-out.wav")});
    EXPECT_EQ(whole.status, 0);
    EXPECT_TRUE(whole.err.empty()) << whole.err;
}

TEST_F(RenderInputTest, StandardInputIsRenderedLikeTheFile) {
    const std::string in = writeLoop("in.wav");
    ASSERT_EQ(run({"-q", "--tail", "0.1", in, path("from-file.wav")}).status, 0);
    Streams redirected;
    redirected.stdinFile = in;
    ASSERT_EQ(run({"-q", "--tail", "0.1", "-", path("from-redirect.wav")}, redirected).status, 0);
    Streams pipe;
    pipe.pipeIn = true;
    pipe.stdinBytes = slurp(in);
    const Result piped = run({"-q", "--tail", "0.1", "-", path("from-pipe.wav")}, pipe);
    ASSERT_EQ(piped.status, 0) << piped.err;
    const std::string expected = slurp(path("from-file.wav"));
    EXPECT_TRUE(slurp(path("from-redirect.wav")) == expected);
    EXPECT_TRUE(slurp(path("from-pipe.wav")) == expected);

    expectRefused(run({"--sidechain", "-", "-", path("twice.wav")}, redirected), "read only once");
}

TEST_F(RenderInputTest, ClippedIntegerSamplesAreCountedAfterTheRender) {
    const std::string in = writeInput("loud.wav", tone(44100, 2, 20000, 0.9f));
    const std::vector<std::string> gain = {"--set", "Filter 1 Enabled=Disabled", "--set", "Output Gain=6 dB"};
    ASSERT_EQ(run(gain + std::vector<std::string>{"-q", in, path("float.wav")}).status, 0);
    long long beyond = 0;
    for (const auto& c : read(path("float.wav")).channels)
        for (float x : c) beyond += std::fabs(x) > 1.0f;
    ASSERT_GT(beyond, 1000);

    const Result r = run(gain + std::vector<std::string>{"--format", "pcm16", in, path("pcm16.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
    EXPECT_TRUE(contains(r.err, "warning: " + std::to_string(beyond) + " samples clipped")) << r.err;
    EXPECT_TRUE(contains(r.out, ", " + std::to_string(beyond) + " clipped,")) << r.out;

    // Float output stores the overs: nothing clipped, nothing to warn about.
    const Result f = run(gain + std::vector<std::string>{in, path("float2.wav")});
    EXPECT_TRUE(f.err.empty()) << f.err;
    EXPECT_TRUE(contains(f.out, ", 0 clipped,")) << f.out;
}
