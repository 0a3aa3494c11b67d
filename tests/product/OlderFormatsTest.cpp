#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "presets/V1PresetLoader.h"
#include "modulation/ModulationLayout.h"
#include "presets/VersionPresetLoader.h"
#include "product/ProductTestSupport.h"
#include "support/ParameterSupport.h"

namespace {

// The previous generation's layout as the format defines it, by parameter name: the product
// parameters without Routing Mode, the filters without Delay, the whole XLFO, EG, EF and MIDI
// source lists, Receive MIDI, Auto Mute Self-Osc and the whole slot list. A list is its "Num
// Active" and all its members in id order, up to the parameter that follows it. Built here, not
// taken from the loader, so that an error in the loader's table shows.
std::vector<AbstractPluginParameter*> version1Layout(KestrumPlugin& plugin) {
    auto named = [&plugin](const std::string& name) {
        AbstractPluginParameter* p = parameter_support::find(plugin, name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    };
    auto span = [&](std::vector<AbstractPluginParameter*>& out, const std::string& first, const std::string& next) {
        for (int id = named(first)->getId(); id < named(next)->getId(); ++id) out.push_back(plugin.getParameter(id));
    };
    std::vector<AbstractPluginParameter*> layout;
    for (const char* name : {"Input Gain", "Input Pan", "Output Gain", "Output Pan", "Mix", "Routing", "Num Active Filters"}) {
        layout.push_back(named(name));
    }
    for (int f = 1; f <= 4; ++f) {
        for (const char* member : {"Freq", "Pan", "Peak", "Characteristic", "Response", "Slope", "Enabled", "Linked"}) {
            layout.push_back(named("Filter " + std::to_string(f) + " " + member));
        }
    }
    span(layout, "Num Active XLFOs", "Receive MIDI");  // the XLFO, EG, EF and MIDI source lists
    layout.push_back(named("Receive MIDI"));
    layout.push_back(named("Auto Mute Self-Osc"));
    span(layout, "Num Active Slots", "Num Active XY Controllers");
    return layout;
}

// A previous-generation file, every position at its parameter's default.
struct Version1File {
    explicit Version1File(KestrumPlugin& plugin) : layout(version1Layout(plugin)) {
        for (AbstractPluginParameter* p : layout) values.push_back(p->getDefaultValue());
    }
    void set(AbstractPluginParameter& p, float v) {
        for (size_t i = 0; i < layout.size(); ++i) {
            if (layout[i] == &p) {
                values[i] = v;
                return;
            }
        }
        ADD_FAILURE() << p.getName() << " is not in the version-1 layout";
    }
    std::string bytes() const { return FileBytes().preset("ZK2l", 1, values).str(); }

    std::vector<AbstractPluginParameter*> layout;
    std::vector<float> values;
};

std::string fromHex(const char* hex) {
    std::string bytes;
    for (const char* c = hex; c[0] && c[1]; c += 2) bytes.push_back(static_cast<char>(std::stoi(std::string(c, 2), nullptr, 16)));
    return bytes;
}

std::vector<float> valuesIn(const std::string& file) {
    std::vector<float> values((file.size() - 12) / 4);
    std::memcpy(values.data(), file.data() + 12, 4 * values.size());
    return values;
}

// A previous-generation file ("ZK2l", version 1, 660 values), written once from the layout above:
// every position holds a value of its parameter's range that differs from its neighbours', Input
// Gain 0 (so the thresholds keep their values) and slot sources below 12.
const char* const kVersion1Fixture =
    "5a4b326c0100000094020000000000000000403e0000b4c10000083f00c00f4200008040000000400000003e0000b63f"
    "0000983e000010410000803f0000803f000000000000803f0000503f000028bf00007c3f0000a0400000004000000040"
    "000000000000803f0000043f00002fc00000303f0000803f0000000000004040000000000000803f0000603e00000540"
    "0000c83e000000410000803f0000803f000000000000803f000000400000003f000050bf00002c3f0000f0be0000e040"
    "00000000000020410000603e0000503e000000000000803f0000683f00000c3f000000000000803f0000c0be0000643f"
    "000000000000803f0000a03e0000803e000000000000803f000078bf0000183f000000000000803f000090be0000703f"
    "000000000000803f0000d03e0000983e000000000000803f000060bf0000243f000000000000803f000040be00007c3f"
    "000000000000803f0000003f0000b03e000000000000803f000048bf0000303f000000000000803f0000c0bd0000403d"
    "000000000000803f0000183f0000c83e000000000000803f000030bf00003c3f000000000000803f000000000000c03d"
    "000000000000803f0000303f0000e03e000000000000803f0000503e0000103f0000c03e0000683f000000400000803f"
    "000050410000c0be0000643f00004040000000000000a03e0000803e0000404000000000000078bf0000183f00004040"
    "00000000000090be0000703f00004040000000000000d03e0000983e0000404000000000000060bf0000243f00004040"
    "00000000000040be00007c3f00004040000000000000003f0000b03e0000404000000000000048bf0000303f00004040"
    "000000000000c0bd0000403d00004040000000000000183f0000c83e0000404000000000000030bf00003c3f00004040"
    "00000000000000000000c03d00004040000000000000303f0000e03e0000404000000000000018bf0000483f00004040"
    "000000000000c03d0000103e00004040000000000000643f000000bd0000a03d0000a03e000010410000000000008041"
    "000078bf0000183f000000400000803f000090be0000703f000000400000803f0000d03e0000983e000000400000803f"
    "000060bf0000243f000000400000803f000040be00007c3f000000400000803f0000003f0000b03e000000400000803f"
    "000048bf0000303f000000400000803f0000c0bd0000403d000000400000803f0000183f0000c83e000000400000803f"
    "000030bf00003c3f000000400000803f000000000000c03d000000400000803f0000303f0000e03e000000400000803f"
    "000018bf0000483f000000400000803f0000c03d0000103e000000400000803f0000483f0000f83e000000400000803f"
    "000000bf0000543f000000400000803f0000183f000020bf0000443f000090be000080400000803f000040400000d03e"
    "0000983e0000803f00000000000060bf0000243f0000803f00000000000040be00007c3f0000803f000000000000003f"
    "0000b03e0000803f00000000000048bf0000303f0000803f000000000000c0bd0000403d0000803f000000000000183f"
    "0000c83e0000803f00000000000030bf00003c3f0000803f00000000000000000000c03d0000803f000000000000303f"
    "0000e03e0000803f00000000000018bf0000483f0000803f000000000000c03d0000103e0000803f000000000000483f"
    "0000f83e0000803f00000000000000bf0000543f0000803f000000000000403e0000403e0000803f000000000000603f"
    "0000083f0000803f000000000000983e0000403f0000f03e000060bf00003041000000000000c040000040be00007c3f"
    "000000000000803f0000003f0000b03e000000000000803f000048bf0000303f000000000000803f0000c0bd0000403d"
    "000000000000803f0000183f0000c83e000000000000803f000030bf00003c3f000000000000803f000000000000c03d"
    "000000000000803f0000303f0000e03e000000000000803f000018bf0000483f000000000000803f0000c03d0000103e"
    "000000000000803f0000483f0000f83e000000000000803f000000bf0000543f000000000000803f0000403e0000403e"
    "000000000000803f0000603f0000083f000000000000803f0000d0be0000603f000000000000803f0000903e0000703e"
    "000000000000803f00007c3f0000203e0000303e0000003f0000c0400000803f00001041000048bf0000303f00004040"
    "000000000000c0bd0000403d00004040000000000000183f0000c83e0000404000000000000030bf00003c3f00004040"
    "00000000000000000000c03d00004040000000000000303f0000e03e0000404000000000000018bf0000483f00004040"
    "000000000000c03d0000103e00004040000000000000483f0000f83e0000404000000000000000bf0000543f00004040"
    "000000000000403e0000403e00004040000000000000603f0000083f00004040000000000000d0be0000603f00004040"
    "000000000000903e0000703e00004040000000000000783f0000143f00004040000000000000a0be00006c3f00004040"
    "00000000000000400000903e000000000000e83e0000403d0000203f0000603e00004c3f000000000000783f0000103f"
    "0000203e00003c3f0000a83e000000000000003f0000c03d00002c3f0000883e0000583f000000000000003d00001c3f"
    "0000503e0000483f0000c03e0000000000000c3f0000103e0000383f0000a03e0000643f000000000000a03d0000283f"
    "0000803e0000543f000040400000803f0000183f0000403e000000000000b83e0000703f0000803f0000003e0000343f"
    "000000000000603f0000f03e0000104100000040000004420000000000002c4200008040000054420000004000007c42"
    "0000000000009242000080400000a642000000400000ba42000000000000ce42000080400000e242000000400000f642"
    "000000000000803f0000b8410000000000003c3f0000803f000000000000ca420000a04000002c3f000000000000803f"
    "000040410000204100001c3f0000803f00000000000014420000404000000c3f000000000000803f0000784200008040"
    "0000f83e0000803f000000000000ae42000010410000d83e000000000000803f0000e042000000400000b83e0000803f"
    "000000000000b8410000e0400000983e000000000000803f00004042000000410000703e0000803f0000000000009242"
    "0000803f0000303e000000000000803f0000c4420000c0400000e03d0000803f0000000000001041000030410000403d"
    "000000000000803f00000842000000000000783f0000803f0000000000006c420000a0400000683f000000000000803f"
    "0000a842000020410000583f0000803f000000000000da42000040400000483f000000000000803f0000a04100008040"
    "0000383f0000803f0000000000003442000010410000283f000000000000803f00008c42000000400000183f0000803f"
    "000000000000be420000e0400000083f000000000000803f0000c040000000410000f03e0000803f000000000000f841"
    "0000803f0000d03e000000000000803f000060420000c0400000b03e0000803f000000000000a242000030410000903e"
    "000000000000803f0000d442";

// First-generation files ("ZKst"), written once from that generation's layout. Variant 0: Input
// Gain 3.5, Output Gain -2.25, Mix 0.75, Routing 1; filter 1 enabled, Characteristic 3, BP, 24 dB,
// Freq 0.625, Peak 0.375, Pan 0.25; filter 2 enabled, Characteristic 7, HP, 48 dB, Freq 0.3125,
// Peak 0.8125, Pan -0.5; both LFOs at 1 Hz, balance 0.5, rate ×1; EG 1 Threshold
// 0.25, Attack 0.125, Decay 0.375, Sustain 0.625, Release 0.5; Receive MIDI disabled;
// self-oscillation allowed; LFO 1 moves filter 1's Freq at depth 0.5. Variant 1 adds LFO 1 phase 0.25, retrigger on and random steps.
const char* const kFirstGenerationFixture0 =
    "5a4b7374000000003500000000006040000010c00000403f0000803f0000803f0000404000000040000000400000203f"
    "0000c03e0000803e0000003f00000000000000000000000000000000000000000000000000000000000000000000803f"
    "0000e0400000803f000040400000a03e0000503f000000bf000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000803f00000000000000000000003f0000803f0000803f00000000000000000000003f"
    "0000803f0000803e0000003e0000c03e0000203f0000003f0000803f0000803f";
const char* const kFirstGenerationFixture1 =
    "5a4b7374010000003b00000000006040000010c00000403f0000803f0000803f0000404000000040000000400000203f"
    "0000c03e0000803e0000003f00000000000000000000000000000000000000000000000000000000000000000000803f"
    "0000e0400000803f000040400000a03e0000503f000000bf000000000000000000000000000000000000000000000000"
    "0000000000000000000000000000803f00000000000000000000003f0000803f0000803f00000000000000000000003f"
    "0000803f0000803e0000003e0000c03e0000203f0000003f0000803f0000803f0000803e0000803f0000803f00000000"
    "0000000000000000";

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

// The frozen file lands where the format puts each value, and the loader's table agrees with it.
TEST(Version1Preset, FrozenFileLoadsByTheFormatsLayout) {
    const std::string file = fromHex(kVersion1Fixture);
    ASSERT_EQ(file.size(), 12u + 4u * 660u);
    EXPECT_EQ(file.substr(0, 12), std::string("ZK2l\x01\0\0\0\x94\x02\0\0", 12));
    const std::vector<float> stored = valuesIn(file);

    KestrumPlugin plugin;
    setAllNonDefault(plugin);
    ASSERT_TRUE(loadBytes(plugin, file));
    const std::vector<AbstractPluginParameter*> layout = version1Layout(plugin);
    ASSERT_EQ(layout.size(), stored.size());
    std::vector<const AbstractPluginParameter*> sources;
    for (int s = 0; s < plugin.slots.getNumSets(); ++s) sources.push_back(&plugin.slots.at(s).source);
    for (size_t i = 0; i < layout.size(); ++i) {
        AbstractPluginParameter* p = layout[i];
        float expected = stored[i];
        if (std::find(sources.begin(), sources.end(), p) != sources.end()) {
            // The source numbering grew by one at 4, 8, 12 and 16 since this generation.
            for (float threshold : {4.0f, 8.0f, 12.0f, 16.0f}) {
                if (expected >= threshold) expected += 1.0f;
            }
            expected = std::min(expected, p->getMaximum());
        }
        EXPECT_EQ(p->getValue(), expected) << "position " << i << ": " << p->getName();
    }

    // What the generation did not have is at its default.
    for (AbstractPluginParameter* p : std::initializer_list<AbstractPluginParameter*>{
             &plugin.routingMode, &plugin.audition, &plugin.filters.at(0).delay, &plugin.filters.at(3).delay,
             &plugin.xyControllers.getNumActive(), &plugin.xlfoExtensions.at(5).phaseOffset}) {
        EXPECT_EQ(p->getValue(), p->getDefaultValue()) << p->getName();
    }

    VersionPresetLoader loader(plugin.presetLayout());
    ASSERT_EQ(loader.entries().size(), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) EXPECT_EQ(loader.entries()[i].parameter, layout[i]) << "position " << i;
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

// The frozen first-generation files land where that generation put each value.
TEST(FirstGenerationPreset, FrozenFilesLoadByTheirGenerationsLayout) {
    for (const char* fixture : {kFirstGenerationFixture0, kFirstGenerationFixture1}) {
        const std::string file = fromHex(fixture);
        const bool second = fixture == kFirstGenerationFixture1;
        ASSERT_EQ(file.size(), 12u + 4u * (second ? 59u : 53u));
        KestrumPlugin plugin;
        setAllNonDefault(plugin);
        ASSERT_TRUE(loadBytes(plugin, file));

        EXPECT_EQ(plugin.inputGain.getValue(), 3.5f);
        EXPECT_EQ(plugin.outputGain.getValue(), -2.25f);
        EXPECT_EQ(plugin.mix.getValue(), 75.0f);  // stored as a fraction
        EXPECT_EQ(plugin.routing.getValue(), 1.0f);
        ASSERT_EQ(plugin.filters.getActiveCount(), 2);
        FilterParameterSet& f1 = plugin.filters.at(0);
        FilterParameterSet& f2 = plugin.filters.at(1);
        EXPECT_EQ(f1.enabled.getValue(), 1.0f);
        EXPECT_EQ(f1.characteristic.getValue(), 3.0f);
        EXPECT_EQ(f1.response.getValue(), 2.0f);
        EXPECT_EQ(f1.slope.getValue(), 2.0f);
        EXPECT_EQ(f1.freq.getValue(), 0.625f);
        EXPECT_EQ(f1.peak.getValue(), 0.375f);
        EXPECT_FLOAT_EQ(f1.pan.getValue(), 0.875f);  // × 3.5
        EXPECT_EQ(f2.enabled.getValue(), 1.0f);
        EXPECT_EQ(f2.characteristic.getValue(), 7.0f);
        EXPECT_EQ(f2.response.getValue(), 1.0f);
        EXPECT_EQ(f2.slope.getValue(), 3.0f);
        EXPECT_EQ(f2.freq.getValue(), 0.3125f);
        EXPECT_EQ(f2.peak.getValue(), 0.8125f);
        EXPECT_FLOAT_EQ(f2.pan.getValue(), -1.75f);
        EXPECT_EQ(plugin.egs.at(0).threshold.getValue(), 0.25f);
        EXPECT_EQ(plugin.egs.at(0).attack.getValue(), 0.125f);
        EXPECT_EQ(plugin.egs.at(0).decay.getValue(), 0.375f);
        EXPECT_EQ(plugin.egs.at(0).sustain.getValue(), 0.625f);
        EXPECT_EQ(plugin.egs.at(0).release.getValue(), 0.5f);
        EXPECT_EQ(plugin.receiveMidi.getValue(), 1.0f);
        EXPECT_EQ(plugin.autoMute.getValue(), 0.0f);  // the file allowed self-oscillation

        const std::vector<Slot> slots = activeSlots(plugin);
        ASSERT_EQ(slots.size(), 1u);
        EXPECT_EQ(slots[0].source, ModulationLayout::kFirstXLFO);
        EXPECT_EQ(slots[0].target, 0);
        EXPECT_NEAR(slots[0].level, 0.5f, 1e-5f);
        ASSERT_EQ(plugin.xlfos.getActiveCount(), 1);
        EXPECT_NEAR(plugin.xlfos.at(0).frequency.getPlainValue(), 1.0f, 1e-3f);
        EXPECT_FLOAT_EQ(plugin.xlfos.at(0).balance.getValue(), 0.5f);
        EXPECT_FLOAT_EQ(plugin.xlfoExtensions.at(0).phaseOffset.getValue(), second ? 0.25f : 0.0f);
        EXPECT_EQ(plugin.xlfos.at(0).midiTrigger.getValue(), second ? 1.0f : 0.0f);
        EXPECT_EQ(plugin.xlfos.at(0).steps.at(0).random.getValue(), second ? 1.0f : 0.0f);
    }
}
