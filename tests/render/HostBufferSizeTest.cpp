#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <string>
#include <vector>

#include "MidiFile.h"
#include "product/ParameterLookup.h"
#include "RenderJob.h"
#include "product/KestrumPlugin.h"

namespace {

constexpr int kRate = 48000;

// Two seconds of stereo noise bursts at odd lengths, so that audio onsets fall anywhere.
AudioData bursts() {
    AudioData d;
    d.sampleRate = kRate;
    d.channels.assign(2, std::vector<float>(2 * kRate));
    uint32_t noise = 12345u;
    for (int i = 0; i < 2 * kRate; ++i) {
        const bool on = i % 14411 < 9001;
        for (auto& c : d.channels) {
            noise = noise * 1664525u + 1013904223u;
            c[static_cast<size_t>(i)] = on ? 0.3f * (static_cast<float>(noise >> 8) / 8388608.0f - 1.0f) : 0.0f;
        }
    }
    return d;
}

// Notes at odd ticks (480 per quarter at 120 BPM: one tick is 50 samples), two of them
// overlapping: on at samples 1850, 64950 and 75400, off at 31050 and 100750.
MidiFile notes() {
    const std::vector<uint8_t> events = {
        37, 0x90, 60, 100, 0x84, 0x48, 0x80, 60, 0,
        0x85, 0x26, 0x90, 64, 90, 0x81, 0x51, 0x90, 67, 80, 0x83, 0x7B, 0x80, 64, 0,
        0x85, 0x44, 0x80, 67, 0, 0x81, 0x3D, 0x90, 62, 70, 0x83, 0x31, 0x80, 62, 0,
        0x00, 0xff, 0x2f, 0x00};
    const uint8_t header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0,
                              static_cast<uint8_t>(events.size())};
    std::vector<uint8_t> bytes(std::begin(header), std::end(header));
    bytes.resize(bytes.size() + events.size());
    std::copy(events.begin(), events.end(), bytes.end() - static_cast<long>(events.size()));
    MidiFile midi;
    std::string error;
    EXPECT_TRUE(midi.parse(bytes, 120.0, error)) << error;
    return midi;
}

std::vector<float> render(const std::vector<std::string>& settings, int block, const AudioData& input,
                          const MidiFile* midi) {
    KestrumPlugin plugin(2);
    ParameterLookup lookup(plugin);
    for (const std::string& s : settings) {
        std::string error;
        EXPECT_TRUE(lookup.apply(s, error)) << error;
    }
    RenderSettings rs;
    rs.blockSize = block;
    rs.tailSeconds = 0.25;
    AudioData out = RenderJob(plugin, rs).run(input, nullptr, {}, midi);
    std::vector<float> y = out.channels[0];
    y.insert(y.end(), out.channels[1].begin(), out.channels[1].end());
    return y;
}

struct Case {
    const char* name;
    std::vector<std::string> settings;
    bool midi;
};

}  // namespace

// Musical timing follows the sample clock, not the host's buffers: tempo-synced and retriggered
// XLFOs, envelope triggers and filter coefficients land on the same samples whatever the buffer
// size, so every size gives the same output, bit for bit.
TEST(HostBufferSize, OutputIsIdenticalAtEveryHostBufferSize) {
    const std::vector<Case> cases = {
        {"synced two-step XLFO",
         {"Num Active XLFOs=1", "XLFO 1 Sync Mode=1/4", "XLFO 1 Step 1 Value=1", "XLFO 1 Step 2 Value=-1",
          "Num Active Slots=1", "Slot 1 Source=XLFO 1", "Slot 1 Target=Filter 1 Freq", "Slot 1 Level=0.5",
          "Filter 1 Freq=1 kHz", "Filter 1 Peak=0.5"},
         false},
        {"resonant filters",
         {"Num Active Filters=3", "Routing=3", "Filter 1 Characteristic=Raw", "Filter 1 Peak=0.7",
          "Filter 1 Freq=1 kHz", "Filter 2 Characteristic=Clean", "Filter 2 Peak=0.9", "Filter 2 Slope=48",
          "Filter 2 Freq=700 Hz", "Filter 3 Peak=0.8", "Filter 3 Pan=0.3", "Filter 3 Freq=3 kHz"},
         false},
        {"MIDI-driven sources",
         {"Num Active XLFOs=1", "XLFO 1 Sync Mode=1/8", "XLFO 1 MIDI Trigger=On", "XLFO 1 Step 1 Value=1",
          "XLFO 1 Step 2 Value=-1", "XLFO 1 Step 2 Glide=0.4", "Num Active EGs=2", "EG 1 Triggering=MIDI",
          "EG 1 Attack=0.05 sec", "EG 1 Release=0.2 sec", "EG 2 Attack=0.01 sec", "EG 2 Release=0.1 sec",
          "Num Active EFs=1", "Num Active Filters=2", "Routing Mode=Mid/Side", "Num Active Slots=5",
          "Slot 1 Source=XLFO 1", "Slot 1 Target=Filter 1 Freq", "Slot 1 Level=0.3", "Slot 2 Source=EG 1",
          "Slot 2 Target=Filter 1 Peak", "Slot 2 Level=0.8", "Slot 3 Source=EG 2", "Slot 3 Target=Filter 2 Freq",
          "Slot 3 Level=0.5", "Slot 4 Source=EF 1", "Slot 4 Target=Filter 2 Peak", "Slot 4 Level=0.7",
          "Slot 5 Source=XLFO 1", "Slot 5 Target=Mix", "Slot 5 Level=0.3", "Filter 1 Characteristic=Raw",
          "Filter 1 Freq=1 kHz", "Filter 2 Freq=500 Hz", "Filter 2 Slope=48"},
         true},
    };
    const AudioData input = bursts();
    const MidiFile midi = notes();
    for (const Case& c : cases) {
        const std::vector<float> reference = render(c.settings, 512, input, c.midi ? &midi : nullptr);
        for (int block : {1, 7, 37, 64, 1000, 4096}) {
            const std::vector<float> y = render(c.settings, block, input, c.midi ? &midi : nullptr);
            ASSERT_EQ(y.size(), reference.size());
            size_t first = y.size();
            float worst = 0.0f;
            for (size_t i = 0; i < y.size(); ++i) {
                const float d = std::fabs(y[i] - reference[i]);
                if (d > 0.0f && first == y.size()) first = i;
                worst = std::max(worst, d);
            }
            EXPECT_EQ(first, y.size()) << c.name << " at block " << block << ": first difference at sample "
                                       << first % (y.size() / 2) << ", largest " << worst;
        }
    }
}
