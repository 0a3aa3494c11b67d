#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "product/WiringTestSupport.h"

using namespace wiring;

namespace {

// XLFO 1 as a square wave (step 1 = -1, step 2 = +1) on Filter 1 Freq at level 0.5, which is
// ±0.5 × 6.3 octaves around the base.
void squareXLFOOnFilter1(KestrumPlugin& plugin) {
    plugin.xlfos.getNumActive().setValue(1.0f, 0);
    plugin.xlfos.at(0).steps.getNumActive().setValue(2.0f, 0);
    plugin.xlfos.at(0).steps.at(0).value.setValue(-1.0f, 0);
    plugin.xlfos.at(0).steps.at(1).value.setValue(1.0f, 0);
    connect(plugin, 0, ModulationLayout::kFirstXLFO, kFilter1Freq, 0.5f);
}

float top(const std::vector<float>& v, size_t from) { return *std::max_element(v.begin() + static_cast<long>(from), v.end()); }
float bottom(const std::vector<float>& v, size_t from) { return *std::min_element(v.begin() + static_cast<long>(from), v.end()); }

}  // namespace

TEST(SourceWiring, FreeXLFOMovesFilterFrequencyAtItsRateAndOffsetDoublesIt) {
    auto plugin = makePlugin();
    squareXLFOOnFilter1(*plugin);
    plugin->xlfos.at(0).frequency.setPlainValue(4.0f, 0);
    settle(*plugin);

    Runner run(*plugin);
    run.run(48000, 64, constantLevel);
    EXPECT_NEAR(meanPeriod(run.frequency, kBaseFreq, 0), 12000.0, 12.0);
    EXPECT_NEAR(top(run.frequency, 0), kBaseFreq + 3.15f, 0.01f);
    EXPECT_NEAR(bottom(run.frequency, 0), kBaseFreq - 3.15f, 0.01f);
    EXPECT_NEAR(plugin->getSourceDisplayValue(ModulationLayout::kFirstXLFO),
                (run.frequency.back() - kBaseFreq) / 6.3f + 0.5f, 0.01f);

    // "Frequency Offset" is in octaves: +1 doubles the free rate.
    plugin->xlfos.at(0).frequencyOffset.setValue(1.0f, 0);
    settle(*plugin);
    const size_t from = run.frequency.size();
    run.run(48000, 64, constantLevel);
    EXPECT_NEAR(meanPeriod(run.frequency, kBaseFreq, from), 6000.0, 6.0);
}

TEST(SourceWiring, TempoSyncedXLFOFollowsTheHostTempo) {
    auto plugin = makePlugin();
    squareXLFOOnFilter1(*plugin);
    plugin->xlfos.at(0).syncMode.setValue(static_cast<float>(XLFOEnums::Eighth), 0);  // 1/8 bar per cycle
    settle(*plugin);

    Runner run(*plugin);
    float bpm = 120.0f;
    double quarters = 0.0;
    auto host = [&](long) {
        plugin->setTransport(bpm, static_cast<float>(quarters));
        quarters += 64.0 * bpm / (60.0 * kRate);
    };
    // 120 BPM: a 1/8 bar lasts a quarter of a second.
    run.run(48000, 64, constantLevel, host);
    EXPECT_NEAR(meanPeriod(run.frequency, kBaseFreq, 0), 12000.0, 12.0);

    bpm = 90.0f;
    const size_t from = run.frequency.size() + 4800;  // past the tempo ramp
    run.run(72000, 64, constantLevel, host);
    EXPECT_NEAR(meanPeriod(run.frequency, kBaseFreq, from), 16000.0, 16.0);

    // The cycle is locked to the song position: a new bar starts a new cycle.
    const double cycles = quarters * 0.25 / 0.125;
    const double expected = cycles - std::floor(cycles);
    double phase = plugin->sources().xlfo(0).getPhase();
    double difference = std::fabs(phase - expected);
    EXPECT_LT(std::min(difference, 1.0 - difference), 0.01);
}

TEST(SourceWiring, EnvelopeFollowerOnTheInputFollowsALevelStep) {
    auto plugin = makePlugin();
    plugin->efs.getNumActive().setValue(1.0f, 0);
    plugin->efs.at(0).attack.setPlainValue(0.01f, 0);
    plugin->efs.at(0).release.setPlainValue(0.1f, 0);
    connect(*plugin, 0, ModulationLayout::kFirstEF, kFilter1Freq, 0.1f);  // EF depth 20: 2 octaves at full scale
    settle(*plugin);

    // -60 dBFS, then -6 dBFS from sample 9600, then -60 dBFS again from 28800.
    auto level = [](long i) { return i >= 9600 && i < 28800 ? 0.5f : 0.001f; };
    Runner run(*plugin);
    run.run(48000, 64, level);
    const float full = 2.0f * (60.0f + 20.0f * std::log10(0.5f)) / 60.0f;
    const std::vector<float>& f = run.frequency;
    EXPECT_NEAR(f[9599], kBaseFreq, 1e-3f);
    // 90 % of the way after the attack time, all of it well after.
    EXPECT_NEAR(f[9600 + 480] - kBaseFreq, 0.9f * full, 0.02f * full);
    EXPECT_NEAR(f[28799] - kBaseFreq, full, 1e-3f);
    // Falling: 90 % of the way down after the release time.
    EXPECT_NEAR(f[28800 + 4800] - kBaseFreq, 0.1f * full, 0.02f * full);
    EXPECT_NEAR(f.back() - kBaseFreq, 0.0f, 0.01f);
    // The follower took the input peak's shared conversion in the last block.
    const std::int64_t block = plugin->getEnvironment().getBlockCounter();
    EXPECT_EQ(plugin->sharedStages().inputPeakDecibels().getBlockStamp(), block);
    EXPECT_NE(plugin->sharedStages().sideChainPeakDecibels().getBlockStamp(), block);
}

TEST(SourceWiring, EnvelopeFollowerSwitchedToTheSideChainIgnoresTheMainInput) {
    auto plugin = makePlugin();
    plugin->efs.getNumActive().setValue(1.0f, 0);
    plugin->efs.at(0).attack.setPlainValue(0.01f, 0);
    plugin->efs.at(0).input.setValue(1.0f, 0);  // "Side Chain"
    connect(*plugin, 0, ModulationLayout::kFirstEF, kFilter1Freq, 0.1f);
    settle(*plugin);

    Runner run(*plugin);
    run.run(9600, 64, [](long) { return 1.0f; }, {}, [](long) { return 0.001f; });
    EXPECT_NEAR(run.frequency.back(), kBaseFreq, 1e-3f);
    run.run(9600, 64, [](long) { return 0.001f; }, {}, [](long) { return 1.0f; });
    EXPECT_NEAR(run.frequency.back(), kBaseFreq + 2.0f, 1e-2f);
    const std::int64_t block = plugin->getEnvironment().getBlockCounter();
    EXPECT_EQ(plugin->sharedStages().sideChainPeakDecibels().getBlockStamp(), block);
    EXPECT_NE(plugin->sharedStages().inputPeakDecibels().getBlockStamp(), block);
}

TEST(SourceWiring, SourceParametersReachTheirSources) {
    auto plugin = makePlugin();
    KestrumPlugin& p = *plugin;
    p.xlfos.at(1).steps.getNumActive().setValue(5.0f, 0);
    p.xlfos.at(1).balance.setValue(0.25f, 0);
    p.xlfos.at(1).steps.at(3).value.setValue(-0.5f, 0);
    p.xlfos.at(1).steps.at(3).glide.setValue(0.75f, 0);
    p.xlfos.at(1).steps.at(3).glideFunction.setValue(static_cast<float>(XLFOEnums::Sine), 0);
    p.xlfos.at(1).steps.at(3).random.setValue(1.0f, 0);
    p.xlfos.at(1).syncMode.setValue(static_cast<float>(XLFOEnums::Quarter), 0);
    p.xlfos.at(1).midiTrigger.setValue(1.0f, 0);
    p.xlfoExtensions.at(1).snap.setValue(1.0f, 0);
    p.egs.at(2).threshold.setValue(0.5f, 0);
    p.egs.at(2).triggering.setValue(static_cast<float>(EGEnums::SideChain), 0);
    p.egs.at(3).triggering.setValue(static_cast<float>(EGEnums::Midi), 0);
    p.efs.at(1).input.setValue(1.0f, 0);
    p.midiSources.at(4).input.setValue(static_cast<float>(MidiSourceEnums::Controller), 0);
    p.midiSources.at(4).controllerNumber.setValue(74.0f, 0);
    p.midiExtensions.at(4).responseCurve.setValue(static_cast<float>(MidiSourceEnums::Sqr), 0);
    settle(p);

    KestrumSources& s = p.sources();
    XLFO& lfo = s.xlfo(1);
    EXPECT_EQ(lfo.stepCount().get(), 5);
    EXPECT_FLOAT_EQ(lfo.balance().get(), 0.25f);
    EXPECT_FLOAT_EQ(lfo.step(3).value().get(), -0.5f);
    EXPECT_FLOAT_EQ(lfo.step(3).glide().get(), 0.75f);
    EXPECT_EQ(lfo.step(3).glideFunction().get(), XLFOEnums::Sine);
    EXPECT_TRUE(lfo.step(3).random().get());
    EXPECT_EQ(s.xlfoFrequency(1).syncMode().get(), XLFOEnums::Quarter);
    EXPECT_TRUE(lfo.midiTrigger().get());
    EXPECT_TRUE(lfo.snap().get());
    EXPECT_EQ(p.getModulationMatrix()->getSourceKind(ModulationLayout::kFirstXLFO + 1), ModulationMatrix::kSnappedXLFO);
    EXPECT_EQ(p.getModulationMatrix()->getSourceKind(ModulationLayout::kFirstXLFO), ModulationMatrix::kXLFO);

    // Threshold on the delay curve: 0.5 is 0.16 of full scale.
    EXPECT_NEAR(s.trigger(2).threshold().get(), 0.16f, 1e-6f);
    EXPECT_EQ(s.eg(2).triggering().get(), EGEnums::SideChain);
    EXPECT_EQ(s.triggerInput(2).selected().get(), 1);
    EXPECT_TRUE(s.trigger(2).enabled().get());
    EXPECT_EQ(s.triggerInput(3).selected().get(), 0);
    EXPECT_FALSE(s.trigger(3).enabled().get());
    EXPECT_EQ(s.followerInput(1).selected().get(), 1);
    EXPECT_EQ(s.midiSource(4).listenedIndex(), 74);
    EXPECT_EQ(s.midiSource(4).responseCurve.get(), MidiSourceEnums::Sqr);

    // Snap off again: back to the plain kind, so the slot depth follows.
    p.xlfoExtensions.at(1).snap.setValue(0.0f, 0);
    settle(p);
    EXPECT_EQ(p.getModulationMatrix()->getSourceKind(ModulationLayout::kFirstXLFO + 1), ModulationMatrix::kXLFO);
}

TEST(SourceWiring, OnlyActiveListItemsRunOnTheirOwn) {
    auto plugin = makePlugin();
    plugin->xlfos.getNumActive().setValue(2.0f, 0);
    plugin->egs.getNumActive().setValue(1.0f, 0);
    plugin->midiSources.getNumActive().setValue(3.0f, 0);
    settle(*plugin);
    KestrumSources& s = plugin->sources();
    EXPECT_TRUE(s.xlfo(1).isEnabled());
    EXPECT_FALSE(s.xlfo(2).isEnabled());
    EXPECT_TRUE(s.eg(0).isEnabled());
    EXPECT_FALSE(s.eg(1).isEnabled());
    EXPECT_FALSE(s.ef(0).isEnabled());
    EXPECT_TRUE(s.midiSource(2).isEnabled());
    EXPECT_FALSE(s.midiSource(3).isEnabled());

    // An unconnected active XLFO still advances (the update list runs it).
    plugin->xlfos.at(1).frequency.setPlainValue(2.0f, 0);
    settle(*plugin);
    const double before = s.xlfo(1).getPhase();
    Runner run(*plugin);
    run.run(6000, 64, constantLevel);
    EXPECT_NEAR(std::fmod(s.xlfo(1).getPhase() - before + 1.0, 1.0), 0.25, 1e-3);
    EXPECT_DOUBLE_EQ(s.xlfo(2).getPhase(), 0.0);
}

TEST(SourceWiring, RemovingXLFO2Of3KeepsTheMovedXLFOOnItsTarget) {
    auto plugin = makePlugin();
    KestrumPlugin& p = *plugin;
    p.xlfos.getNumActive().setValue(3.0f, 0);
    for (int k : {1, 2}) {
        p.xlfos.at(k).steps.at(0).value.setValue(-1.0f, 0);
        p.xlfos.at(k).steps.at(1).value.setValue(1.0f, 0);
    }
    p.xlfos.at(1).frequency.setPlainValue(1.0f, 0);
    p.xlfos.at(2).frequency.setPlainValue(8.0f, 0);
    connect(p, 0, ModulationLayout::kFirstXLFO + 1, ModulationLayout::filterTarget(1, FilterTarget::Freq), 0.5f);
    connect(p, 1, ModulationLayout::kFirstXLFO + 2, kFilter1Freq, 0.5f);
    settle(p);

    p.xlfos.removeItem(1);
    settle(p);
    ASSERT_EQ(p.slots.getActiveCount(), 1);
    EXPECT_EQ(p.getSlotSource(0), ModulationLayout::kFirstXLFO + 1);
    EXPECT_EQ(p.getSlotTarget(0), kFilter1Freq);
    EXPECT_FALSE(p.sources().xlfo(2).isEnabled());

    // XLFO 2 now runs XLFO 3's 8 Hz and still drives Filter 1.
    Runner run(p);
    run.run(24000, 64, constantLevel);
    EXPECT_NEAR(meanPeriod(run.frequency, kBaseFreq, 0), 6000.0, 6.0);
}

// The offset's factor is 2^value: a displayed 0.5 must halve the rate and modulation must stop at
// the displayed limits 0.5 and 2, not at the octaves of some other range (values below 0.707
// used to play at 0.707).
TEST(SourceWiring, XLFOFrequencyOffsetActsOverItsWholeDisplayedRange) {
    auto periodAt = [](float offsetOctaves, bool synced, float modulation) {
        auto plugin = makePlugin();
        squareXLFOOnFilter1(*plugin);
        if (synced) plugin->xlfos.at(0).syncMode.setValue(static_cast<float>(XLFOEnums::Bar1), 0);
        plugin->xlfos.at(0).frequency.setPlainValue(1.0f, 0);
        plugin->xlfos.at(0).frequencyOffset.setValue(offsetOctaves, 0);
        // XY 1 Hor at its top pushes the offset one whole octave further (down when inverted).
        if (modulation != 0.0f) {
            plugin->xyControllers.getNumActive().setValue(1.0f, 0);
            plugin->xyControllers.at(0).hor.setValue(1.0f, 0);
            connect(*plugin, 1, ModulationLayout::kFirstXY, ModulationLayout::xlfoTarget(0, XLFOTarget::FrequencyOffset),
                    1.0f);
            if (modulation < 0.0f) plugin->slots.at(1).inverted.setValue(1.0f, 0);
        }
        settle(*plugin);
        Runner run(*plugin);
        double quarters = 0.0;
        auto host = [&](long) {
            plugin->setTransport(120.0f, static_cast<float>(quarters));
            quarters += 64.0 * 120.0 / (60.0 * kRate);
        };
        run.run(static_cast<int>(12 * kRate), 64, constantLevel, host);
        return meanPeriod(run.frequency, kBaseFreq, static_cast<size_t>(kRate));
    };
    // Free at 1 Hz: display 0.5 (-1 octave) gives a 2 s cycle, 0.6 gives 1/0.6 s.
    EXPECT_NEAR(periodAt(-1.0f, false, 0.0f), 2.0 * kRate, 0.01 * kRate);
    EXPECT_NEAR(periodAt(std::log2(0.6f), false, 0.0f), kRate / 0.6, 0.01 * kRate);
    // Synced to one bar at 120 BPM (2 s): display 0.5 gives 4 s, display 2 gives 1 s.
    EXPECT_NEAR(periodAt(-1.0f, true, 0.0f), 4.0 * kRate, 0.02 * kRate);
    EXPECT_NEAR(periodAt(1.0f, true, 0.0f), 1.0 * kRate, 0.01 * kRate);
    // Modulation past the ends stops at the displayed limits.
    EXPECT_NEAR(periodAt(-0.5f, false, -1.0f), 2.0 * kRate, 0.01 * kRate);
    EXPECT_NEAR(periodAt(0.5f, false, 1.0f), 0.5 * kRate, 0.01 * kRate);
}
