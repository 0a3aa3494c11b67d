#include <gtest/gtest.h>

#include <cmath>

#include "product/WiringTestSupport.h"

using namespace wiring;

namespace {

constexpr int kNoteOn = 0x90;
constexpr int kNoteOff = 0x80;
constexpr int kControl = 0xB0;

// EG 1 triggered by MIDI (attack 10 ms, sustain 1, release 50 ms) on Filter 1 Freq at level 0.5:
// 5 octaves above the base while the envelope is at the top.
std::unique_ptr<KestrumPlugin> midiEnvelopeOnFilter1() {
    auto plugin = makePlugin();
    plugin->egs.getNumActive().setValue(1.0f, 0);
    plugin->egs.at(0).triggering.setValue(static_cast<float>(EGEnums::Midi), 0);
    plugin->egs.at(0).attack.setPlainValue(0.01f, 0);
    plugin->egs.at(0).release.setPlainValue(0.05f, 0);
    connect(*plugin, 0, ModulationLayout::kFirstEG, kFilter1Freq, 0.5f);
    settle(*plugin);
    return plugin;
}

}  // namespace

TEST(MidiWiring, MidiTriggeredEnvelopeOpensAtTheNoteAndClosesAfterNoteOff) {
    auto plugin = midiEnvelopeOnFilter1();
    auto reference = midiEnvelopeOnFilter1();
    Runner run(*plugin);
    Runner quiet(*reference);
    run.run(4800, 64, constantLevel);
    quiet.run(4800, 64, constantLevel);
    ASSERT_NEAR(run.frequency.back(), kBaseFreq, 1e-4f);

    // A note-on 40 samples into the next host buffer: the framework splits the buffer there, so
    // the envelope starts exactly at that sample.
    send(*plugin, midi(kNoteOn, 60, 100, 40));
    run.run(64, 64, constantLevel);
    quiet.run(64, 64, constantLevel);
    const size_t block = 4800;
    for (size_t i = block; i < block + 40; ++i) ASSERT_EQ(run.output[i], quiet.output[i]) << i;
    // The last chunk holds samples 40..63: the attack rises from its first sample on.
    const float* chunk = &run.frequency[block];
    EXPECT_NEAR(chunk[0], kBaseFreq, 1e-3f);
    EXPECT_GT(chunk[1], kBaseFreq + 1e-4f);
    EXPECT_GT(chunk[23], chunk[1]);
    EXPECT_EQ(plugin->sources().heldNotes(), 1);

    run.run(9600, 64, constantLevel);
    EXPECT_NEAR(run.frequency.back(), kBaseFreq + 5.0f, 1e-3f);
    EXPECT_NEAR(plugin->getSourceDisplayValue(ModulationLayout::kFirstEG), 1.0f, 1e-4f);

    send(*plugin, midi(kNoteOff, 60, 0, 0));
    run.run(480, 64, constantLevel);
    EXPECT_FALSE(plugin->sources().eg(0).isGateOpen());
    EXPECT_LT(run.frequency.back(), kBaseFreq + 5.0f - 0.1f);
    run.run(4800, 64, constantLevel);
    EXPECT_NEAR(run.frequency.back(), kBaseFreq, 1e-3f);
    EXPECT_EQ(plugin->sources().eg(0).getStage(), EnvelopeGenerator::Idle);
}

TEST(MidiWiring, HeldNotesKeepTheEnvelopeOpenUntilTheLastIsReleased) {
    auto plugin = midiEnvelopeOnFilter1();
    Runner run(*plugin);
    EnvelopeGenerator& eg = plugin->sources().eg(0);
    send(*plugin, midi(kNoteOn, 60, 100));
    send(*plugin, midi(kNoteOn | 1, 64, 100));  // another channel
    run.run(64, 64, constantLevel);
    EXPECT_EQ(plugin->sources().heldNotes(), 2);

    send(*plugin, midi(kNoteOff, 60, 0));
    send(*plugin, midi(kNoteOff, 61, 0));  // never held: ignored
    run.run(64, 64, constantLevel);
    EXPECT_TRUE(eg.isGateOpen());
    EXPECT_EQ(plugin->sources().heldNotes(), 1);

    send(*plugin, midi(kNoteOn | 1, 64, 0));  // velocity 0 releases
    run.run(64, 64, constantLevel);
    EXPECT_FALSE(eg.isGateOpen());
    EXPECT_EQ(plugin->sources().heldNotes(), 0);

    // A stray note-off cannot push the count below zero: the next note still opens and closes.
    send(*plugin, midi(kNoteOff, 64, 0));
    send(*plugin, midi(kNoteOn, 62, 90));
    run.run(64, 64, constantLevel);
    EXPECT_TRUE(eg.isGateOpen());
    send(*plugin, midi(kNoteOff, 62, 0));
    run.run(64, 64, constantLevel);
    EXPECT_FALSE(eg.isGateOpen());
}

TEST(MidiWiring, AllNotesOffReleasesEverythingWhateverIsHeld) {
    auto plugin = midiEnvelopeOnFilter1();
    Runner run(*plugin);
    for (int key : {48, 52, 55}) send(*plugin, midi(kNoteOn, key, 100));
    run.run(64, 64, constantLevel);
    ASSERT_TRUE(plugin->sources().eg(0).isGateOpen());

    send(*plugin, midi(kControl, 123, 0));
    run.run(64, 64, constantLevel);
    EXPECT_FALSE(plugin->sources().eg(0).isGateOpen());
    EXPECT_EQ(plugin->sources().heldNotes(), 0);

    // Switching MIDI off releases held notes the same way.
    send(*plugin, midi(kNoteOn, 48, 100));
    run.run(64, 64, constantLevel);
    ASSERT_TRUE(plugin->sources().eg(0).isGateOpen());
    plugin->receiveMidi.setValue(1.0f, 0);
    run.run(64, 64, constantLevel);
    EXPECT_FALSE(plugin->sources().eg(0).isGateOpen());
    EXPECT_EQ(plugin->sources().heldNotes(), 0);
}

TEST(MidiWiring, NoteOnRestartsXLFOsSetToMidiTrigger) {
    auto plugin = makePlugin();
    plugin->xlfos.getNumActive().setValue(2.0f, 0);
    plugin->xlfos.at(0).midiTrigger.setValue(1.0f, 0);
    settle(*plugin);
    Runner run(*plugin);
    run.run(12000, 64, constantLevel);
    const double freeRunning = plugin->sources().xlfo(1).getPhase();
    ASSERT_GT(plugin->sources().xlfo(0).getPhase(), 0.1);

    send(*plugin, midi(kNoteOn, 60, 100, 0));
    run.run(64, 64, constantLevel);
    // Restarted at the note: 64 samples at 1 Hz since then; the other XLFO ran on.
    EXPECT_NEAR(plugin->sources().xlfo(0).getPhase(), 64.0 / kRate, 1e-6);
    EXPECT_NEAR(plugin->sources().xlfo(1).getPhase(), freeRunning + 64.0 / kRate, 1e-6);
}

TEST(MidiWiring, ModWheelSourceMovesItsTarget) {
    auto plugin = makePlugin();
    plugin->midiSources.getNumActive().setValue(2.0f, 0);
    plugin->midiSources.at(1).input.setValue(static_cast<float>(MidiSourceEnums::Controller), 0);
    plugin->midiSources.at(1).controllerNumber.setValue(7.0f, 0);
    connect(*plugin, 0, ModulationLayout::kFirstMidi, kFilter1Freq, 0.5f);  // MIDI depth 10: 5 octaves
    settle(*plugin);

    Runner run(*plugin);
    send(*plugin, midi(kControl, 1, 127, 10));
    run.run(4800, 64, constantLevel);
    EXPECT_NEAR(run.frequency.back(), kBaseFreq + 5.0f, 1e-3f);
    EXPECT_NEAR(plugin->getSourceDisplayValue(ModulationLayout::kFirstMidi), 1.0f, 1e-6f);
    EXPECT_NEAR(plugin->getSourceDisplayValue(ModulationLayout::kFirstMidi + 1), 0.0f, 1e-6f);

    send(*plugin, midi(kControl, 1, 0, 0));
    run.run(4800, 64, constantLevel);
    EXPECT_NEAR(run.frequency.back(), kBaseFreq, 1e-3f);

    // Controller 7 moves only the second source.
    send(*plugin, midi(kControl, 7, 127, 0));
    run.run(4800, 64, constantLevel);
    EXPECT_NEAR(run.frequency.back(), kBaseFreq, 1e-3f);
    EXPECT_NEAR(plugin->getSourceDisplayValue(ModulationLayout::kFirstMidi + 1), 1.0f, 1e-6f);
}
