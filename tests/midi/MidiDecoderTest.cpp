#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "midi/AbstractChannelEventReceiver.h"
#include "midi/AbstractMusicEventReceiver.h"
#include "midi/MidiControllerMap.h"
#include "midi/MidiDecoder.h"
#include "engine/MidiListener.h"

namespace {

// Records every event as text, e.g. "on 60 1" or "cc 7 64".
struct RecordingChannel : AbstractChannelEventReceiver {
    explicit RecordingChannel(MidiControllerMap& map) : AbstractChannelEventReceiver(map) {}
    void channelPressure(float v) override { log("pressure", -1, v); }
    void polyPressure(int note, float v) override { log("poly", note, v); }
    void controlChange(int c, int v, float) override { log("cc", c, static_cast<float>(v)); }
    void noteOff(int note, float v) override { log("off", note, v); }
    void noteOn(int note, float v) override { log("on", note, v); }
    void pitchBend(float v) override {
        bends.push_back(v);
        log("bend", -1, v);
    }
    void programChange(int bank, int program) override { log("program", bank, static_cast<float>(program)); }
    void log(const char* what, int a, float v) {
        std::string s(what);
        if (a >= 0) s.append(" ").append(std::to_string(a));
        char value[32];
        std::snprintf(value, sizeof value, " %g", static_cast<double>(v));
        events.push_back(s.append(value));
    }
    std::vector<std::string> events;
    std::vector<float> bends;
};

struct TestMusicReceiver : AbstractMusicEventReceiver, AbstractMusicEventReceiver::RawMessageObserver,
                           AbstractMusicEventReceiver::SystemResetObserver {
    explicit TestMusicReceiver(MidiControllerMap& map) : AbstractMusicEventReceiver(map) {
        setRawMessageObserver(this);
        setSystemResetObserver(this);
    }
    void setLearnTarget(int) override {}
    void put(int slot, AbstractChannelEventReceiver* r) { setChannelSlot(slot, r); }
    void rawMidiMessage(uint8_t s, uint8_t d1, uint8_t d2) override { raw.push_back({s, d1, d2, 0}); }
    void systemReset() override { ++resets; }
    std::vector<MidiMessage> raw;
    int resets = 0;
};

struct DecoderFixture : ::testing::Test {
    MidiControllerMap map;
    TestMusicReceiver music{map};
    RecordingChannel all{map};
    MidiDecoder decoder{music};
    void SetUp() override { music.put(0, &all); }
    void send(uint8_t status, uint8_t d1, uint8_t d2 = 0) { decoder.receiveMidi({status, d1, d2, 0}); }
};

using Events = std::vector<std::string>;

}  // namespace

TEST_F(DecoderFixture, NoteOnWithVelocityZeroIsANoteOffWithVelocityZero) {
    send(0x90, 60, 127);
    send(0x90, 60, 0);
    send(0x80, 61, 64);
    EXPECT_EQ(all.events, (Events{"on 60 1", "off 60 0", "off 61 0.503937"}));
}

TEST_F(DecoderFixture, ChannelMessagesReachTheAllChannelsSlotThenTheirOwnChannelOnce) {
    RecordingChannel five{map};
    music.put(5, &five);
    send(0x94, 60, 100);  // channel 5
    send(0x95, 61, 100);  // channel 6: nobody listens on its own slot
    EXPECT_EQ(all.events.size(), 2u);
    EXPECT_EQ(five.events, (Events{"on 60 0.787402"}));

    // The same receiver in both matching slots hears a message once.
    music.put(5, &all);
    all.events.clear();
    send(0x94, 62, 100);
    EXPECT_EQ(all.events, (Events{"on 62 0.787402"}));

    // Only the specific channel: other channels are not heard.
    music.put(0, nullptr);
    music.put(5, &five);
    five.events.clear();
    all.events.clear();
    send(0x94, 63, 100);
    send(0x93, 64, 100);
    EXPECT_EQ(five.events, (Events{"on 63 0.787402"}));
    EXPECT_TRUE(all.events.empty());
}

TEST_F(DecoderFixture, BankSelectMsbAndLsbThenProgramChangeGiveBankAndProgram) {
    send(0xB0, 0, 1);
    send(0xB0, 32, 2);
    send(0xC0, 7);
    EXPECT_EQ(all.events, (Events{"program 130 7"}));  // bank select is not passed on as controllers
    EXPECT_EQ(decoder.getBank(0), 130);
    EXPECT_EQ(decoder.getBank(1), 130);

    // Each channel keeps its own bank; the MSB alone keeps the LSB.
    send(0xB3, 0, 3);
    EXPECT_EQ(decoder.getBank(4), 3 << 7);
    EXPECT_EQ(decoder.getBank(1), 130);
    send(0xB0, 0, 5);
    EXPECT_EQ(decoder.getBank(1), (5 << 7) | 2);
    EXPECT_EQ(decoder.getBank(99), 0);
}

TEST_F(DecoderFixture, PitchBendSpansMinusToPlusHalfWithTheCentreExactlyZero) {
    send(0xE0, 0, 0);
    send(0xE0, 0, 64);
    send(0xE0, 127, 127);
    ASSERT_EQ(all.bends.size(), 3u);
    EXPECT_FLOAT_EQ(all.bends[0], -0.5f);
    EXPECT_EQ(all.bends[1], 0.0f);
    EXPECT_FLOAT_EQ(all.bends[2], 0.5f);

    // Every 14-bit value: bounded and strictly rising.
    float previous = -1.0f;
    for (int v = 0; v < 16384; ++v) {
        const float b = MidiDecoder::pitchBendValue(v);
        ASSERT_GT(b, previous) << v;
        ASSERT_GE(b, -0.5f);
        ASSERT_LE(b, 0.5f);
        previous = b;
    }
}

TEST_F(DecoderFixture, AllNotesOffReleasesThroughNoteOffZeroAndIsNoController) {
    send(0xB0, 123, 0);
    send(0xB0, 7, 127);
    EXPECT_EQ(all.events, (Events{"off 0 0", "cc 7 127"}));
}

TEST_F(DecoderFixture, PressureAndProgramUseOnlyTheirDataBytes) {
    send(0xD0, 127, 0x99);  // a second byte does not belong to channel pressure
    send(0xA0, 60, 127);
    send(0xC0, 3, 0xFF);
    EXPECT_EQ(all.events, (Events{"pressure 1", "poly 60 1", "program 0 3"}));
    ASSERT_EQ(music.raw.size(), 3u);
    EXPECT_EQ(music.raw[0].data2, 0);  // bytes beyond the message's length read as 0
}

TEST_F(DecoderFixture, MalformedMessagesAreIgnoredWhole) {
    send(0xB0, 0x85, 10);   // controller "133"
    send(0xB0, 7, 0x80);    // value "128"
    send(0x90, 0xFF, 100);  // note "255"
    send(0xE0, 0, 0x80);
    send(0x45, 1, 2);       // running-status data without a status byte
    send(0x00, 0, 0);
    EXPECT_TRUE(all.events.empty());
    EXPECT_TRUE(music.raw.empty());
}

TEST_F(DecoderFixture, OnlySystemResetActsAmongSystemMessages) {
    send(0xF8, 0);  // clock
    send(0xFE, 0);  // active sensing
    send(0xF0, 0x7E);
    EXPECT_EQ(music.resets, 0);
    send(0xFF, 0);
    EXPECT_EQ(music.resets, 1);
    EXPECT_TRUE(all.events.empty());
    EXPECT_EQ(music.raw.size(), 4u);  // the raw observer sees every accepted message
}

TEST(MidiDecoder, WithoutReceiverEverythingIsIgnored) {
    MidiDecoder decoder{std::unique_ptr<AbstractMusicEventReceiver>()};
    decoder.receiveMidi({0x90, 60, 100, 0});
    decoder.receiveMidi({0xFF, 0, 0, 0});
    EXPECT_EQ(decoder.getEventReceiver(), nullptr);
}

namespace {

struct RecordingListener : MidiListener {
    void channelPressure(float) override {}
    void polyPressure(int, float) override {}
    void controlChange(int c, int v, float) override { controllers.push_back({c, v}); }
    void modWheel(float v) override { wheel.push_back(v); }
    void noteOff(int, float) override {}
    void noteOn(int, float) override {}
    void pitchBend(float) override {}
    std::vector<std::pair<int, int>> controllers;
    std::vector<float> wheel;
};

}  // namespace

TEST(ChannelEventReceiver, ControllerOneReachesListenersAsControllerAndAsModWheel) {
    MidiControllerMap map;
    AbstractChannelEventReceiver channel(map);
    RecordingListener listener;
    channel.addListener(&listener);
    channel.addListener(&listener);  // registered once
    TestMusicReceiver music(map);
    music.put(0, &channel);
    MidiDecoder decoder(music);

    decoder.receiveMidi({0xB0, 1, 127, 0});
    decoder.receiveMidi({0xB0, 2, 64, 0});
    EXPECT_EQ(listener.controllers, (std::vector<std::pair<int, int>>{{1, 127}, {2, 64}}));
    ASSERT_EQ(listener.wheel.size(), 1u);
    EXPECT_FLOAT_EQ(listener.wheel[0], 1.0f);
}

TEST(ChannelEventReceiver, LearningAssignsTheControllerBeforeTheMappedParameterIsSet) {
    struct Mapped : AbstractChannelEventReceiver {
        using AbstractChannelEventReceiver::AbstractChannelEventReceiver;
        void setMappedParameter(int index, float x) override { sets.push_back({index, x}); }
        std::vector<std::pair<int, float>> sets;
    };
    MidiControllerMap map;
    Mapped channel(map);
    channel.controlChange(10, 127, 1.0f);
    EXPECT_TRUE(channel.sets.empty());

    channel.setLearnTarget(3);
    channel.controlChange(10, 64, 0.5f);
    EXPECT_EQ(map.lookup(10), 3);
    ASSERT_EQ(channel.sets.size(), 1u);
    EXPECT_EQ(channel.sets[0], std::make_pair(3, 0.5f));

    channel.setLearnTarget(AbstractChannelEventReceiver::kNotLearning);
    channel.controlChange(11, 64, 0.5f);
    EXPECT_EQ(map.lookup(11), MidiControllerMap::kNone);
    EXPECT_EQ(channel.sets.size(), 1u);
    channel.controlChange(200, 64, 0.5f);  // numbers beyond 127 never index the map
    EXPECT_EQ(channel.sets.size(), 1u);
}

TEST(MidiControllerMap, AParameterIsHeldByOneControllerAtMost) {
    MidiControllerMap map;
    map.assign(7, 42);
    map.assign(10, 42);  // moves
    EXPECT_EQ(map.lookup(7), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(10), 42);
    map.assign(10, 43);  // a second parameter takes controller 10 away
    EXPECT_EQ(map.lookup(10), 43);
    EXPECT_EQ(map.controllerFor(42), MidiControllerMap::kNone);

    map.assign(5, 0x100000);
    map.assign(-1, 0x100000);  // clears the parameter only
    EXPECT_EQ(map.lookup(5), MidiControllerMap::kNone);
    map.assign(10, MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(10), MidiControllerMap::kNone);

    map.assign(128, 1);
    map.assign(-7, 1);
    EXPECT_EQ(map.controllerFor(1), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(128), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(-1), MidiControllerMap::kNone);

    map.assign(1, 5);
    map.assign(2, 6);
    map.clearAll();
    EXPECT_EQ(map.lookup(1), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(2), MidiControllerMap::kNone);
}
