#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "presets/V1PresetLoader.h"
#include "presets/VersionPresetLoader.h"
#include "product/ProductTestSupport.h"

namespace {

// The previous generation's values, every position at its parameter's default.
struct Version1File {
    explicit Version1File(KestrumPlugin& plugin) : loader(plugin.presetLayout()) {
        for (const auto& e : loader.entries()) values.push_back(e.parameter->getDefaultValue());
    }
    void set(AbstractPluginParameter& p, float v) {
        const auto& entries = loader.entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].parameter == &p) {
                values[i] = v;
                return;
            }
        }
        ADD_FAILURE() << p.getName() << " is not in the version-1 layout";
    }
    std::string bytes() const { return FileBytes().preset("ZK2l", 1, values).str(); }

    VersionPresetLoader loader;
    std::vector<float> values;
};

int positionIn(const VersionPresetLoader& loader, const AbstractPluginParameter* p) {
    const auto& entries = loader.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].parameter == p) return static_cast<int>(i);
    }
    return -1;
}

// A first-generation file: 16 values per filter, 5 per LFO.
struct FirstGenFile {
    std::vector<float> values = std::vector<float>(53, 0.0f);
    FirstGenFile() {
        values[2] = 1.0f;  // Mix
        for (int f = 0; f < 2; ++f) {
            filter(f, 0) = 1.0f;  // enabled
            filter(f, 4) = 0.5f;  // Freq
        }
        lfo(0, 0) = lfo(1, 0) = 1.0f;  // 1 Hz
        lfo(0, 3) = lfo(1, 3) = 0.5f;  // balance
        lfo(0, 4) = lfo(1, 4) = 1.0f;  // rate multiplier
    }
    float& filter(int f, int k) { return values[static_cast<size_t>(4 + 16 * f + k)]; }
    // Depth of source s (0 LFO 1, 1 LFO 2, 2 EG) on parameter g (0 Freq, 1 Peak, 2 Pan).
    float& depth(int f, int g, int s) { return filter(f, 7 + 3 * g + s); }
    float& lfo(int l, int k) { return values[static_cast<size_t>(36 + 5 * l + k)]; }
    std::string bytes(int version) const { return FileBytes().preset("ZKst", version, values).str(); }
};

struct Slot {
    int source;
    int target;
    float level;
    bool inverted;
};

std::vector<Slot> activeSlots(KestrumPlugin& plugin) {
    std::vector<Slot> result;
    for (int s = 0; s < plugin.slots.getActiveCount(); ++s) {
        ModulationSlotParameterSet& slot = plugin.slots.at(s);
        result.push_back({plugin.getSlotSource(s), plugin.getSlotTarget(s), slot.getLevel(),
                          slot.inverted.getValue() != 0.0f});
    }
    return result;
}

}  // namespace

TEST(Version1Preset, LayoutPositionsArePinned) {
    KestrumPlugin plugin;
    VersionPresetLoader loader(plugin.presetLayout());
    EXPECT_EQ(loader.getNumValues(), 660);
    EXPECT_EQ(positionIn(loader, &plugin.routing), 5);
    EXPECT_EQ(positionIn(loader, &plugin.filters.getNumActive()), 6);
    EXPECT_EQ(positionIn(loader, &plugin.filters.at(0).freq), 7);
    EXPECT_EQ(positionIn(loader, &plugin.filters.at(3).linked), 38);
    EXPECT_EQ(positionIn(loader, &plugin.xlfos.getNumActive()), 39);
    EXPECT_EQ(positionIn(loader, &plugin.receiveMidi), 537);
    EXPECT_EQ(positionIn(loader, &plugin.autoMute), 538);
    EXPECT_EQ(positionIn(loader, &plugin.slots.getNumActive()), 539);
    EXPECT_EQ(positionIn(loader, &plugin.slots.at(23).target), 659);
    EXPECT_EQ(positionIn(loader, &plugin.routingMode), -1);
    EXPECT_EQ(positionIn(loader, &plugin.filters.at(0).delay), -1);
    EXPECT_EQ(positionIn(loader, &plugin.audition), -1);
}

TEST(Version1Preset, MissingPartsAreResetAndSlotSourcesShifted) {
    KestrumPlugin plugin;
    // State left over from before the load.
    plugin.routingMode.setValue(2.0f, 0);
    plugin.audition.setValue(1.0f, 0);
    plugin.filters.at(1).delay.setValue(0.5f, 0);
    plugin.xyControllers.getNumActive().setValue(2.0f, 0);
    plugin.xyControllers.at(1).hor.setValue(0.5f, 0);
    plugin.xlfoExtensions.at(0).phaseOffset.setValue(0.25f, 0);
    plugin.egExtensions.at(2).hold.setValue(0.5f, 0);
    plugin.midiExtensions.at(3).responseCurve.setValue(2.0f, 0);

    Version1File file(plugin);
    file.set(plugin.mix, 40.0f);
    file.set(plugin.slots.getNumActive(), 6.0f);
    const float stored[] = {3.0f, 4.0f, 7.0f, 12.0f, 16.0f, 0.0f};
    const float expected[] = {3.0f, 5.0f, 9.0f, 15.0f, 20.0f, 0.0f};
    for (int s = 0; s < 6; ++s) file.set(plugin.slots.at(s).source, stored[s]);
    file.set(plugin.slots.at(0).target, 5.0f);
    ASSERT_TRUE(loadBytes(plugin, file.bytes()));

    EXPECT_EQ(plugin.mix.getValue(), 40.0f);
    EXPECT_EQ(plugin.slots.getActiveCount(), 6);
    for (int s = 0; s < 6; ++s) EXPECT_EQ(plugin.slots.at(s).source.getValue(), expected[s]) << "slot " << s;
    EXPECT_EQ(plugin.slots.at(0).target.getValue(), 5.0f);
    EXPECT_EQ(plugin.routingMode.getValue(), 0.0f);
    EXPECT_EQ(plugin.audition.getValue(), 0.0f);
    EXPECT_EQ(plugin.filters.at(1).delay.getValue(), 0.0f);
    EXPECT_EQ(plugin.xyControllers.getActiveCount(), 0);
    EXPECT_EQ(plugin.xyControllers.at(1).hor.getValue(), 0.0f);
    EXPECT_EQ(plugin.xlfoExtensions.at(0).phaseOffset.getValue(), 0.0f);
    EXPECT_EQ(plugin.egExtensions.at(2).hold.getValue(), 0.0f);
    EXPECT_EQ(plugin.midiExtensions.at(3).responseCurve.getValue(), 0.0f);
}

// A file cut short still gets the corrections, so the state is consistent; the load reports failure.
TEST(Version1Preset, TruncatedFileIsCorrectedAndReportedAsFailed) {
    KestrumPlugin plugin;
    plugin.routingMode.setValue(1.0f, 0);
    plugin.xyControllers.getNumActive().setValue(3.0f, 0);
    Version1File file(plugin);
    file.set(plugin.inputGain, 4.0f);
    std::string bytes = file.bytes();
    bytes.resize(12 + 4 * 10);
    EXPECT_FALSE(loadBytes(plugin, bytes));
    EXPECT_EQ(plugin.inputGain.getValue(), 4.0f);
    EXPECT_EQ(plugin.routingMode.getValue(), 0.0f);
    EXPECT_EQ(plugin.xyControllers.getActiveCount(), 0);
}

// The thresholds of the active envelope generators follow the input gain; inactive ones keep theirs.
TEST(Version1Preset, EGThresholdsAreScaledByTheInputGain) {
    KestrumPlugin plugin;
    Version1File file(plugin);
    file.set(plugin.inputGain, -6.0f);
    file.set(plugin.egs.getNumActive(), 2.0f);
    file.set(plugin.egs.at(0).threshold, 0.5f);
    file.set(plugin.egs.at(1).threshold, 0.4f);
    file.set(plugin.egs.at(2).threshold, 0.6f);
    ASSERT_TRUE(loadBytes(plugin, file.bytes()));
    const float factor = std::pow(10.0f, -6.0f / 20.0f);
    EXPECT_NEAR(plugin.egs.at(0).threshold.getValue(), 0.5f * factor, 1e-6f);
    EXPECT_NEAR(plugin.egs.at(1).threshold.getValue(), 0.4f * factor, 1e-6f);
    EXPECT_EQ(plugin.egs.at(2).threshold.getValue(), 0.6f);

    // A gain above unity cannot push a threshold beyond its range.
    file.set(plugin.inputGain, 20.0f);
    ASSERT_TRUE(loadBytes(plugin, file.bytes()));
    EXPECT_EQ(plugin.egs.at(0).threshold.getValue(), 1.0f);
}

TEST(FirstGenerationPreset, ValuesAreConvertedAndTheModulationRebuilt) {
    KestrumPlugin plugin;
    setAllNonDefault(plugin);  // nothing of the previous state may survive
    FirstGenFile file;
    file.values[0] = 3.0f;   // Input Gain
    file.values[1] = -2.0f;  // Output Gain
    file.values[2] = 0.5f;   // Mix
    file.values[3] = 0.0f;   // serial
    file.filter(0, 1) = 2.0f;   // Characteristic
    file.filter(0, 2) = 1.0f;   // HP
    file.filter(0, 5) = 0.3f;   // Peak
    file.filter(0, 6) = 0.5f;   // Pan
    file.filter(1, 6) = -0.2f;
    file.depth(0, 0, 0) = 0.5f;    // LFO 1 -> filter 1 Freq
    file.depth(0, 1, 2) = -0.25f;  // EG -> filter 1 Peak, inverted
    file.depth(1, 2, 1) = 0.8f;    // LFO 2 -> filter 2 Pan
    file.lfo(0, 0) = 2.0f;  // Hz
    file.lfo(0, 2) = 1.0f;  // glide
    file.lfo(0, 3) = 0.3f;  // balance
    file.lfo(0, 4) = 2.0f;  // rate multiplier
    file.lfo(1, 1) = 7.0f;  // sync 1/4
    file.values[46] = 0.2f;  // EG Threshold
    file.values[49] = 0.7f;  // EG Sustain
    file.values[51] = 1.0f;  // Receive MIDI disabled
    file.values[52] = 1.0f;  // self-oscillation allowed
    ASSERT_TRUE(loadBytes(plugin, file.bytes(0)));

    EXPECT_EQ(plugin.inputGain.getValue(), 3.0f);
    EXPECT_EQ(plugin.outputGain.getValue(), -2.0f);
    EXPECT_EQ(plugin.mix.getValue(), 50.0f);
    EXPECT_EQ(plugin.inputPan.getValue(), 0.0f);
    EXPECT_EQ(plugin.outputPan.getValue(), 0.0f);
    EXPECT_EQ(plugin.routingMode.getValue(), 0.0f);
    EXPECT_EQ(plugin.audition.getValue(), 0.0f);
    EXPECT_EQ(plugin.receiveMidi.getValue(), 1.0f);
    EXPECT_EQ(plugin.autoMute.getValue(), 0.0f);

    ASSERT_EQ(plugin.filters.getActiveCount(), 2);
    FilterParameterSet& f1 = plugin.filters.at(0);
    FilterParameterSet& f2 = plugin.filters.at(1);
    EXPECT_EQ(f1.characteristic.getValue(), 2.0f);
    EXPECT_EQ(f1.response.getValue(), 1.0f);
    EXPECT_FLOAT_EQ(f1.peak.getValue(), 0.3f);
    EXPECT_FLOAT_EQ(f1.pan.getValue(), 1.75f);
    EXPECT_FLOAT_EQ(f2.pan.getValue(), -0.7f);
    EXPECT_EQ(f1.linked.getValue(), 1.0f);
    EXPECT_EQ(f2.linked.getValue(), 1.0f);
    EXPECT_EQ(f1.delay.getValue(), 0.0f);
    EXPECT_EQ(plugin.filters.at(2).freq.getValue(), plugin.filters.at(2).freq.getDefaultValue());

    ASSERT_EQ(plugin.xlfos.getActiveCount(), 2);
    XLFOParameterSet& x1 = plugin.xlfos.at(0);
    EXPECT_NEAR(x1.frequency.getPlainValue(), 2.0f, 1e-3f);
    EXPECT_FLOAT_EQ(x1.glide.getValue(), 1.0f);
    EXPECT_FLOAT_EQ(x1.balance.getValue(), 0.3f);
    EXPECT_FLOAT_EQ(x1.frequencyOffset.getValue(), 1.0f);
    EXPECT_EQ(x1.steps.getActiveCount(), 2);
    EXPECT_EQ(x1.steps.at(0).value.getValue(), 1.0f);
    EXPECT_EQ(x1.steps.at(1).value.getValue(), -1.0f);
    EXPECT_EQ(plugin.xlfos.at(1).syncMode.getValue(), 7.0f);

    EXPECT_EQ(plugin.egs.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(plugin.egs.at(0).threshold.getValue(), 0.2f);
    EXPECT_FLOAT_EQ(plugin.egs.at(0).sustain.getValue(), 0.7f);

    const std::vector<Slot> slots = activeSlots(plugin);
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[0].source, 8);
    EXPECT_EQ(slots[0].target, 0);
    EXPECT_NEAR(slots[0].level, 0.5f, 1e-5f);
    EXPECT_FALSE(slots[0].inverted);
    EXPECT_EQ(slots[1].source, 14);
    EXPECT_EQ(slots[1].target, 2);
    EXPECT_NEAR(slots[1].level, 0.25f, 1e-5f);
    EXPECT_TRUE(slots[1].inverted);
    EXPECT_EQ(slots[2].source, 9);
    EXPECT_EQ(slots[2].target, 5);
    EXPECT_NEAR(slots[2].level, 0.8f, 1e-5f);

    // Everything the file does not describe is at its default.
    EXPECT_EQ(plugin.efs.getActiveCount(), 0);
    EXPECT_EQ(plugin.xyControllers.getActiveCount(), 0);
    EXPECT_EQ(plugin.slots.at(5).source.getValue(), 0.0f);
}

// A disabled filter is removed with its modulation; in the parallel routing it used to add its
// unfiltered input to the average, which the mix and output gain now reproduce.
TEST(FirstGenerationPreset, DisabledFilterIsRemovedAndTheParallelMixCorrected) {
    KestrumPlugin plugin;
    FirstGenFile file;
    file.values[1] = -6.0206f;  // Output Gain: a factor of 0.5
    file.values[2] = 1.0f;      // Mix 100 %
    file.values[3] = 1.0f;      // parallel
    file.filter(0, 0) = 0.0f;   // filter 1 disabled
    file.filter(1, 1) = 4.0f;   // filter 2 Characteristic
    file.depth(0, 0, 0) = 0.5f;  // LFO 1 -> filter 1 Freq: goes with filter 1
    file.depth(1, 1, 1) = 0.6f;  // LFO 2 -> filter 2 Peak: follows filter 2 into place 1
    file.lfo(1, 0) = 4.0f;
    ASSERT_TRUE(loadBytes(plugin, file.bytes(0)));

    ASSERT_EQ(plugin.filters.getActiveCount(), 1);
    EXPECT_EQ(plugin.filters.at(0).characteristic.getValue(), 4.0f);
    EXPECT_EQ(plugin.filters.at(0).enabled.getValue(), 1.0f);
    EXPECT_EQ(plugin.routing.getValue(), 0.0f);
    // The LFO that only served the removed filter is gone; LFO 2 is now XLFO 1.
    ASSERT_EQ(plugin.xlfos.getActiveCount(), 1);
    EXPECT_NEAR(plugin.xlfos.at(0).frequency.getPlainValue(), 4.0f, 1e-3f);
    const std::vector<Slot> slots = activeSlots(plugin);
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].source, 8);
    EXPECT_EQ(slots[0].target, 2);

    // Before: out = 0 dry + 1 * 0.5 * (F/2 + dry/2) = 0.25 dry + 0.25 F.
    // After:  (1 - m) dry + m G F with m = 0.75, G = 1/3.
    EXPECT_NEAR(plugin.mix.getValue(), 75.0f, 1e-3f);
    EXPECT_NEAR(plugin.outputGain.getValue(), 20.0f * std::log10(1.0f / 3.0f), 1e-3f);

    // In the serial routing a disabled filter only passed its input on: no correction.
    file.values[3] = 0.0f;
    ASSERT_TRUE(loadBytes(plugin, file.bytes(0)));
    EXPECT_EQ(plugin.mix.getValue(), 100.0f);
    EXPECT_NEAR(plugin.outputGain.getValue(), -6.0206f, 1e-4f);
}

TEST(FirstGenerationPreset, SecondVariantCarriesLFOPhaseTriggerAndRandom) {
    KestrumPlugin plugin;
    FirstGenFile file;
    file.depth(0, 0, 0) = 0.5f;
    file.values.resize(59, 0.0f);
    file.values[53] = 0.25f;  // LFO 1 phase offset
    file.values[54] = 1.0f;   // retrigger
    file.values[55] = 1.0f;   // random steps
    ASSERT_TRUE(loadBytes(plugin, file.bytes(1)));
    ASSERT_EQ(plugin.xlfos.getActiveCount(), 1);
    EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(0).phaseOffset.getValue(), 0.25f);
    EXPECT_EQ(plugin.xlfos.at(0).midiTrigger.getValue(), 1.0f);
    EXPECT_EQ(plugin.xlfos.at(0).steps.at(0).random.getValue(), 1.0f);

    // The first variant has no such values; a missing value keeps its default.
    file.values.resize(53);
    ASSERT_TRUE(loadBytes(plugin, file.bytes(0)));
    EXPECT_EQ(plugin.xlfoExtensions.at(0).phaseOffset.getValue(), 0.0f);
    EXPECT_EQ(plugin.xlfos.at(0).midiTrigger.getValue(), 0.0f);
    EXPECT_EQ(plugin.autoMute.getValue(), 1.0f);  // the file did not allow self-oscillation
}
