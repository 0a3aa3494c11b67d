#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "product/ParameterDocs.h"
#include "product/ProductTestSupport.h"

namespace {

int idOf(KestrumPlugin& plugin, const std::string& name) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        if (plugin.getParameter(i)->getName() == name) return i;
    }
    return -1;
}

// Processes a block so the queued parameter changes reach the audio side.
void processOnce(KestrumPlugin& plugin) {
    std::vector<float> in(64, 0.0f), outL(64), outR(64);
    const float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plugin.processBlock(ins, 2, outs, 2, 64);
}

}  // namespace

// Ids are what hosts, presets and MIDI learn store: any change to the declaration order must fail here.
TEST(ProductParameters, IdsOfTheLandmarksNeverMove) {
    KestrumPlugin plugin;
    EXPECT_EQ(plugin.getNumParameters(), 709);
    EXPECT_EQ(idOf(plugin, "Input Gain"), 0);
    EXPECT_EQ(idOf(plugin, "Input Pan"), 1);
    EXPECT_EQ(idOf(plugin, "Output Gain"), 2);
    EXPECT_EQ(idOf(plugin, "Output Pan"), 3);
    EXPECT_EQ(idOf(plugin, "Mix"), 4);
    EXPECT_EQ(idOf(plugin, "Routing"), 5);
    EXPECT_EQ(idOf(plugin, "Routing Mode"), 6);
    EXPECT_EQ(idOf(plugin, "Num Active Filters"), 7);
    EXPECT_EQ(idOf(plugin, "Filter 1 Freq"), 8);
    EXPECT_EQ(idOf(plugin, "Num Active XLFOs"), 44);
    EXPECT_EQ(idOf(plugin, "Num Active EGs"), 471);
    EXPECT_EQ(idOf(plugin, "Num Active EFs"), 508);
    EXPECT_EQ(idOf(plugin, "Num Active MIDI Sources"), 521);
    EXPECT_EQ(idOf(plugin, "Receive MIDI"), 542);
    EXPECT_EQ(idOf(plugin, "Auto Mute Self-Osc"), 543);
    EXPECT_EQ(idOf(plugin, "Audition Signal"), 544);
    EXPECT_EQ(idOf(plugin, "Num Active Slots"), 545);
    EXPECT_EQ(idOf(plugin, "Slot 1 Source"), 546);
    EXPECT_EQ(idOf(plugin, "Num Active XY Controllers"), 666);
    EXPECT_EQ(idOf(plugin, "XLFO 1 Phase Offset"), 675);
    EXPECT_EQ(idOf(plugin, "MIDI Source 10 Response Curve"), 708);

    ASSERT_EQ(plugin.getVirtualParameters().size(), 2u);
    EXPECT_EQ(plugin.getVirtualParameters()[0]->getName(), "Filter Link Freq");
    EXPECT_EQ(plugin.getVirtualParameters()[0]->getId(), 0x100000);
    EXPECT_EQ(plugin.getVirtualParameters()[1]->getName(), "Filter Link Peak");
    EXPECT_EQ(plugin.getVirtualParameters()[1]->getId(), 0x100001);

    // Every id is its list position, and no two parameters share a name.
    std::vector<std::string> names;
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        EXPECT_EQ(plugin.getParameter(i)->getId(), i);
        names.push_back(plugin.getParameter(i)->getName());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

TEST(ProductParameters, DisplayTextsOfTheProductParameters) {
    KestrumPlugin plugin;
    EXPECT_EQ(plugin.inputGain.formatValue(0.0f), "0.00 dB");
    EXPECT_EQ(plugin.inputGain.formatValue(-36.0f), "-36.00 dB");
    EXPECT_EQ(plugin.outputGain.formatValue(36.0f), "+36.00 dB");
    EXPECT_EQ(plugin.mix.formatValue(plugin.mix.getDefaultValue()), "100 %");
    EXPECT_EQ(plugin.mix.formatValue(50.0f), "50 %");
    EXPECT_EQ(plugin.inputPan.formatValue(0.0f), "C");
    EXPECT_EQ(plugin.inputPan.formatValue(-0.5f), "50 L");
    EXPECT_EQ(plugin.outputPan.formatValue(1.0f), "100 R");
    EXPECT_EQ(plugin.routingMode.formatValue(2.0f), "Mid/Side");
    EXPECT_EQ(plugin.routing.formatValue(0.0f), "1");
    EXPECT_EQ(plugin.receiveMidi.formatValue(1.0f), "Disabled");
    EXPECT_EQ(plugin.autoMute.formatValue(plugin.autoMute.getDefaultValue()), "On");
    EXPECT_EQ(plugin.audition.formatValue(2.0f), "Side Chain");

    float v = 0.0f;
    ASSERT_TRUE(plugin.inputGain.parseText("2x", v));
    EXPECT_NEAR(v, 6.0206f, 1e-3f);
    ASSERT_TRUE(plugin.outputPan.parseText("25 L", v));
    EXPECT_FLOAT_EQ(v, -0.25f);
    ASSERT_TRUE(plugin.mix.parseText("40 %", v));
    EXPECT_FLOAT_EQ(v, 40.0f);

    for (AbstractPluginParameter* p : std::initializer_list<AbstractPluginParameter*>{
             &plugin.inputGain, &plugin.inputPan, &plugin.outputGain, &plugin.outputPan, &plugin.mix, &plugin.routing,
             &plugin.routingMode, &plugin.receiveMidi, &plugin.autoMute, &plugin.audition}) {
        EXPECT_FALSE(p->getHelpText().empty()) << p->getName();
    }
}

TEST(ProductParameters, GainAndMixReachTheModulationDomain) {
    KestrumPlugin plugin;
    // Gains arrive as linear factors, the mix as -1..1, pans unchanged.
    EXPECT_NEAR(plugin.inputGain.plainValue(-6.0206f), 0.5f, 1e-5f);
    EXPECT_NEAR(plugin.outputGain.plainValue(36.0f), 63.0957f, 1e-3f);
    EXPECT_FLOAT_EQ(plugin.mix.plainValue(100.0f), 1.0f);
    EXPECT_FLOAT_EQ(plugin.mix.plainValue(0.0f), -1.0f);
    EXPECT_FLOAT_EQ(plugin.mix.plainValue(25.0f), -0.5f);
    EXPECT_FLOAT_EQ(plugin.inputPan.plainValue(-0.3f), -0.3f);

    // The inverse curves bring a modulation value back to the parameter's own unit.
    plugin.outputGain.setPlainValue(2.0f, 0);
    EXPECT_NEAR(plugin.outputGain.getValue(), 6.0206f, 1e-3f);
    plugin.mix.setPlainValue(0.0f, 0);
    EXPECT_FLOAT_EQ(plugin.mix.getValue(), 50.0f);
    // Silence as a gain target never gives a non-finite parameter value.
    plugin.inputGain.setPlainValue(0.0f, 0);
    EXPECT_FLOAT_EQ(plugin.inputGain.getValue(), -36.0f);
}

TEST(ProductParameters, ProductInformationAndEditorSizes) {
    KestrumPlugin plugin;
    EXPECT_EQ(plugin.getPluginId(), "ZK2l");
    EXPECT_EQ(plugin.getCategory(), 2);
    EXPECT_TRUE(plugin.hasSideChain());
    EXPECT_EQ(plugin.getLatency(), 0);
    EXPECT_EQ(plugin.getEditorWidth(), 640);
    EXPECT_EQ(plugin.getEditorHeight(), 317);
    EXPECT_EQ(plugin.getMaxEditorWidth(), 926);
    EXPECT_EQ(plugin.getMaxEditorHeight(), 510);

    KestrumSettings& settings = *plugin.kestrumSettings();
    settings.interfaceLayout.set(KestrumSettings::kWide);
    settings.showModulation.set(true);
    EXPECT_EQ(plugin.getEditorWidth(), 926);
    EXPECT_EQ(plugin.getEditorHeight(), 510);
    settings.interfaceLayout.set(7);  // limited to Wide
    EXPECT_EQ(settings.interfaceLayout.get(), 1);
    EXPECT_STREQ(KestrumSettings::kInterfaceLayoutName, "InterfaceLayout");
    EXPECT_STREQ(KestrumSettings::kShowModulationName, "ShowModulation");
}

TEST(ProductParameters, ReceiveMidiDrivesTheFrameworkMidiState) {
    KestrumPlugin plugin;
    EXPECT_EQ(plugin.getMidiState(), GenericPlugin::MidiEnabled);
    plugin.receiveMidi.setValue(1.0f, 0);
    processOnce(plugin);
    EXPECT_EQ(plugin.getMidiState(), GenericPlugin::MidiDisabled);
    plugin.receiveMidi.setValue(0.0f, 0);
    processOnce(plugin);
    EXPECT_EQ(plugin.getMidiState(), GenericPlugin::MidiEnabled);
}

TEST(ProductParameters, LinkedFiltersJoinAndLeaveTheLinkParameters) {
    KestrumPlugin plugin;
    plugin.filters.getNumActive().setValue(3.0f, 0);
    FilterParameterSet& f1 = plugin.filters.at(0);
    FilterParameterSet& f3 = plugin.filters.at(2);
    f1.linked.setValue(1.0f, 0);
    f3.linked.setValue(1.0f, 0);
    processOnce(plugin);
    EXPECT_EQ(plugin.filterLinkFreq().getNumParameters(), 2);
    EXPECT_TRUE(plugin.filterLinkFreq().contains(&f3.freq));
    EXPECT_TRUE(plugin.filterLinkPeak().contains(&f1.peak));
    EXPECT_FALSE(plugin.filterLinkFreq().contains(&plugin.filters.at(1).freq));

    f1.freq.setValue(0.2f, 0);
    f3.freq.setValue(0.4f, 0);
    plugin.filterLinkFreq().setNormalized(0.6f);  // the mean moves to 0.6, the spread stays
    EXPECT_NEAR(f1.freq.getValue(), 0.5f, 1e-6f);
    EXPECT_NEAR(f3.freq.getValue(), 0.7f, 1e-6f);

    f1.linked.setValue(0.0f, 0);
    processOnce(plugin);
    EXPECT_FALSE(plugin.filterLinkFreq().contains(&f1.freq));
    EXPECT_FALSE(plugin.filterLinkPeak().contains(&f1.peak));
    EXPECT_EQ(plugin.filterLinkPeak().getNumParameters(), 1);
}

// Until the filter chain is built, each channel hands its input on untouched.
// docs/parameters.md is generated; a change of the parameters without regenerating it fails here.
TEST(ProductParameters, ParameterDocumentIsUpToDate) {
    KestrumPlugin plugin;
    std::ifstream file(std::string(KESTRUM_SOURCE_DIR) + "/docs/parameters.md", std::ios::binary);
    ASSERT_TRUE(file.is_open());
    std::ostringstream committed;
    committed << file.rdbuf();
    EXPECT_TRUE(committed.str() == ParameterDocs::markdown(plugin))
        << "docs/parameters.md is stale: regenerate it with kestrum_param_docs > docs/parameters.md";
}

// Every text a pan shows reads back as the same position ("C" included).
TEST(ProductParameters, PanTextsRoundTrip) {
    KestrumPlugin plugin;
    for (float v : {-1.0f, -0.5f, 0.0f, 0.25f, 1.0f}) {
        float back = 99.0f;
        std::string text = plugin.outputPan.formatValue(v);
        ASSERT_TRUE(plugin.outputPan.parseText(text, back)) << text;
        EXPECT_NEAR(back, v, 1e-6f) << text;
    }
    float v = 1.0f;
    EXPECT_FALSE(plugin.outputPan.parseText("X", v));
    EXPECT_FLOAT_EQ(v, 1.0f);
}

// The slot menus and the parameters both follow the numbering table: every target index has
// exactly one parameter, and the menu item for an index names that parameter's owner and member.
TEST(ProductParameters, TargetMenuAndTargetParametersAgreeOnEveryIndex) {
    KestrumPlugin plugin;
    const auto& items = ModulationSlotParameterSet::targetItems();
    const auto& values = ModulationSlotParameterSet::targetValues();
    ASSERT_EQ(items.size(), values.size());
    std::vector<int> seen(ModulationNumbering::kNumTargets, 0);
    for (size_t i = 0; i < values.size(); ++i) {
        const int target = values[i] - 1;  // the menu stores matrix index + 1, 0 for none
        if (target < 0) continue;
        ASSERT_LT(target, ModulationNumbering::kNumTargets);
        ++seen[static_cast<size_t>(target)];
        ModulationTargetParameter* p = plugin.getTargetParameter(target);
        ASSERT_NE(p, nullptr) << items[i];
        // "XLFO 2 Freq" names "XLFO 2 Frequency", "XLFO 2 Offset" names "XLFO 2 Frequency Offset".
        const std::string label = items[i];
        const std::string name = p->getName();
        const std::string owner = label.substr(0, label.find(' ', label.find(' ') + 1));
        if (label.rfind("Input", 0) == 0 || label.rfind("Output", 0) == 0 || label == "Mix") {
            EXPECT_EQ(name, label);
        } else {
            EXPECT_EQ(name.rfind(owner + " ", 0), 0u) << label << " -> " << name;
            const std::string member = label.substr(owner.size() + 1);
            EXPECT_NE(name.find(member, owner.size()), std::string::npos) << label << " -> " << name;
        }
    }
    for (int t = 0; t < ModulationNumbering::kNumTargets; ++t) EXPECT_EQ(seen[static_cast<size_t>(t)], 1) << t;
}

// The characteristic items come from the filters' table, one name per characteristic.
TEST(ProductParameters, CharacteristicItemsAreTheFiltersCharacteristics) {
    KestrumPlugin plugin;
    for (int k = 0; k < plugin.filters.getNumSets(); ++k) {
        auto& c = plugin.filters.at(k).characteristic;
        EXPECT_EQ(c.formatValue(6.0f), "Gentle");
        EXPECT_EQ(c.formatValue(10.0f), "Clean");
        for (int i = 0; i < MultiDesignFilter::kTableCharacteristics; ++i)
            EXPECT_EQ(c.formatValue(static_cast<float>(i)), MultiDesignFilter::kCharacteristics[i].name);
        float parsed = -1.0f;
        ASSERT_TRUE(c.parseText("Easy Going", parsed));
        EXPECT_FLOAT_EQ(parsed, 9.0f);
    }
}
