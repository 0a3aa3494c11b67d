#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "MidiFile.h"
#include "RenderJob.h"
#include "support/TestPlugin.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

Bytes track(const Bytes& events) {
    Bytes t = {'M', 'T', 'r', 'k'};
    put32(t, static_cast<uint32_t>(events.size()));
    t.insert(t.end(), events.begin(), events.end());
    return t;
}

Bytes file(int format, const std::vector<Bytes>& tracks, int division = 480) {
    Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), 0, static_cast<uint8_t>(tracks.size()),
               static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
    for (const Bytes& t : tracks) {
        Bytes tr = track(t);
        b.insert(b.end(), tr.begin(), tr.end());
    }
    return b;
}

// Tempo 100 BPM (600000 us per quarter), a note at one beat, running status for its release.
const Bytes kFormat0 = {0x00, 0xff, 0x51, 0x03, 0x09, 0x27, 0xc0,  // tempo
                        0x83, 0x60, 0x90, 60, 100,                 // delta 480: note on
                        0x83, 0x60, 60, 0,                         // delta 480, running status: note off
                        0x00, 0xff, 0x2f, 0x00};

}  // namespace

TEST(MidiFile, Format0TempoAndRunningStatus) {
    MidiFile f;
    std::string error;
    ASSERT_TRUE(f.parse(file(0, {kFormat0}), 120.0, error)) << error;
    ASSERT_EQ(f.events().size(), 2u);
    EXPECT_DOUBLE_EQ(f.events()[0].seconds, 0.6);
    EXPECT_DOUBLE_EQ(f.events()[1].seconds, 1.2);
    EXPECT_EQ(f.events()[1].status, 0x90);
    EXPECT_EQ(f.events()[1].data2, 0);
    EXPECT_TRUE(f.setsTempo());
    EXPECT_DOUBLE_EQ(f.bpmAt(5.0), 100.0);
}

TEST(MidiFile, Format1MergesTracksThroughTheTempoMap) {
    // Track 0: 120 BPM at 0, 60 BPM from beat 2. Track 1: notes at beats 1 and 3.
    Bytes tempo = {0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, 0x87, 0x40, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40,
                   0x00, 0xff, 0x2f, 0x00};
    Bytes notes = {0x83, 0x60, 0x91, 64, 90, 0x87, 0x40, 0x81, 64, 0, 0x00, 0xff, 0x2f, 0x00};
    MidiFile f;
    std::string error;
    ASSERT_TRUE(f.parse(file(1, {tempo, notes}), 90.0, error)) << error;
    ASSERT_EQ(f.events().size(), 2u);
    EXPECT_DOUBLE_EQ(f.events()[0].seconds, 0.5);        // beat 1 at 120 BPM
    EXPECT_DOUBLE_EQ(f.events()[1].seconds, 1.0 + 1.0);  // beat 2 at 1.0 s, then one beat at 60 BPM
    EXPECT_DOUBLE_EQ(f.bpmAt(0.2), 120.0);
    EXPECT_DOUBLE_EQ(f.bpmAt(1.5), 60.0);

    // Without tempo events the given tempo holds.
    MidiFile plain;
    ASSERT_TRUE(plain.parse(file(0, {notes}), 90.0, error)) << error;
    EXPECT_FALSE(plain.setsTempo());
    EXPECT_NEAR(plain.events()[0].seconds, 60.0 / 90.0, 1e-12);
}

TEST(MidiFile, MalformedAndTruncatedFilesAreRefused) {
    Bytes good = file(0, {kFormat0});
    std::string error;
    MidiFile f;
    for (size_t cut = 0; cut < good.size(); ++cut) {
        Bytes truncated(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(f.parse(truncated, 120.0, error)) << "cut at " << cut;
    }
    struct Case {
        Bytes bytes;
        const char* why;
    } cases[] = {
        {file(2, {kFormat0}), "format"},
        {file(0, {kFormat0}, 0), "ticks"},
        {file(0, {{0x00, 60, 100, 0x00, 0xff, 0x2f, 0x00}}), "status"},          // data before any status
        {file(0, {{0x00, 0x90, 0xbc, 100, 0x00, 0xff, 0x2f, 0x00}}), "channel"},  // top bit in a data byte
        {file(0, {{0xff, 0xff, 0xff, 0xff, 0x7f, 0x90, 60, 1}}), "malformed"},     // five-byte delta
        {file(0, {{0x00, 0xff, 0x51, 0x02, 0x01, 0x02}}), "tempo"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(f.parse(c.bytes, 120.0, error)) << c.why;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

TEST(MidiFile, RenderDeliversEventsAtTheirExactSampleOffsets) {
    MidiFile f;
    std::string error;
    ASSERT_TRUE(f.parse(file(0, {kFormat0}), 120.0, error));
    for (int block : {64, 500, 4096}) {
        TestPlugin plugin(1);
        AudioData in;
        in.sampleRate = 48000;
        in.channels.assign(1, std::vector<float>(48000 * 2));
        RenderSettings settings;
        settings.blockSize = block;
        RenderJob(plugin, settings).run(in, nullptr, {}, &f);
        ASSERT_EQ(plugin.receiver->entries.size(), 2u) << block;
        EXPECT_EQ(plugin.receiver->entries[0].timeAtDecode, 28800) << block;  // 0.6 s
        EXPECT_EQ(plugin.receiver->entries[1].timeAtDecode, 57600) << block;
    }
}
