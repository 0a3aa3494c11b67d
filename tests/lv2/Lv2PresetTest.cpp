// Presets exported into a bundle, listed and applied by a host; and the renderer's output through
// lv2apply, an independent host.
#include <gtest/gtest.h>

#include <lv2/presets/presets.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "AudioFile.h"
#include "product/ParameterLookup.h"
#include "host/lv2/Lv2PortLayout.h"
#include "host/lv2/Lv2PresetExport.h"
#include "lv2/Lv2Support.h"
#include "lv2/Lv2TestHost.h"
#include "presets/ResourceArchive.h"
#include "product/KestrumPlugin.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    TempDir() {
        char pattern[] = "/tmp/kestrum-lv2-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

void savePreset(const fs::path& file, const Settings& settings) {
    KestrumPlugin plugin(2);
    ParameterLookup lookup(plugin);
    std::string error;
    for (const std::string& s : settings) ASSERT_TRUE(lookup.apply(s, error)) << error;
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(plugin.savePresetFile(file.string()));
}

std::vector<std::vector<float>> renderPresetFile(const std::string& file, const std::vector<std::vector<float>>& input) {
    KestrumPlugin plugin(2);
    EXPECT_TRUE(plugin.loadPreset(file));
    AudioData data;
    data.sampleRate = 48000;
    data.channels = input;
    RenderSettings rs;
    RenderJob job(plugin, rs);
    return job.run(data, nullptr).channels;
}

bool write(const fs::path& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out);
}

std::vector<const LilvNode*> presetsOf(Lv2TestHost& host, const LilvPlugin* plugin, LilvNodes*& owned) {
    LilvNode* presetClass = lilv_new_uri(host.world(), LV2_PRESETS__Preset);
    owned = lilv_plugin_get_related(plugin, presetClass);
    lilv_node_free(presetClass);
    std::vector<const LilvNode*> out;
    LILV_FOREACH (nodes, i, owned) out.push_back(lilv_nodes_get(owned, i));
    return out;
}

}  // namespace

TEST(Presets, ExportedPresetsAreListedByEveryPluginAndApplyLikeThePresetFile) {
    TempDir temp;
    const fs::path tree = temp.path / "tree", bundle = temp.path / "Kestrum.lv2";
    savePreset(tree / "Basses" / "Round Low.zxp", {"Filter 1 Freq=300", "Filter 1 Peak=0.5", "Filter 1 Slope=24"});
    savePreset(tree / "Leads" / "Tube \"Scream\".zxp", {"Filter 1 Characteristic=Tube", "Filter 1 Peak=0.9", "Mix=70"});
    savePreset(tree / "Plain.zxp", {"Num Active Filters=2", "Routing=2", "Filter 2 Response=HP"});

    fs::create_directories(bundle);
    for (const char* file : {"Kestrum.so", "kestrum.ttl"}) fs::copy_file(lv2test::bundle() + file, bundle / file);
    const Lv2PresetExport::Result exported = Lv2PresetExport::fromTree(tree.string(), "presets.ttl");
    ASSERT_TRUE(exported.ok) << exported.error;
    ASSERT_EQ(exported.entries.size(), 3u);
    ASSERT_TRUE(write(bundle / "presets.ttl", exported.turtle));
    ASSERT_TRUE(write(bundle / "manifest.ttl", Lv2Turtle::manifest("Kestrum.so", exported.entries)));

    Lv2TestHost host(bundle.string() + "/");
    const auto input = lv2test::signal(2, 12000);
    for (auto v : {Lv2PortLayout::Variant::Stereo, Lv2PortLayout::Variant::Mono, Lv2PortLayout::Variant::MonoToStereo}) {
        LilvNodes* owned = nullptr;
        EXPECT_EQ(presetsOf(host, host.plugin(Lv2PortLayout::uriOf(v)), owned).size(), 3u);
        lilv_nodes_free(owned);
    }
    LilvNodes* owned = nullptr;
    std::vector<std::string> labels;
    LV2_URID_Map* map = const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(host.features()[0]->data));
    for (const LilvNode* preset : presetsOf(host, host.plugin(Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Stereo)), owned)) {
        lilv_world_load_resource(host.world(), preset);
        LilvState* state = lilv_state_new_from_world(host.world(), map, preset);
        ASSERT_NE(state, nullptr) << lilv_node_as_uri(preset);
        const std::string label = lilv_state_get_label(state);
        labels.push_back(label);
        Lv2TestInstance instance(host, Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Stereo), {});
        instance.restoreState(state);
        const auto lv2 = instance.render(input, 512);
        const auto expected = renderPresetFile((tree / (label + ".zxp")).string(), input);
        EXPECT_EQ(lv2, expected) << label;
        lilv_state_free(state);
    }
    lilv_nodes_free(owned);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Basses/Round Low", "Leads/Tube \"Scream\"", "Plain"}));
}

TEST(Presets, AFileThatIsNoPresetStopsTheExport) {
    TempDir temp;
    fs::create_directories(temp.path / "tree");
    ASSERT_TRUE(write(temp.path / "tree" / "Broken.zxp", "not a preset"));
    const Lv2PresetExport::Result exported = Lv2PresetExport::fromTree((temp.path / "tree").string(), "presets.ttl");
    EXPECT_FALSE(exported.ok);
    EXPECT_NE(exported.error.find("Broken.zxp"), std::string::npos);
}

TEST(Presets, EveryFactoryPresetInTheBuiltBundleIsListedAndApplies) {
    const std::string file = lv2test::bundle() + "presets.ttl";
    ASSERT_TRUE(fs::exists(file)) << "the bundle carries the factory presets";
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    size_t declared = 0;
    for (size_t at = 0; (at = text.str().find("a pset:Preset", at)) != std::string::npos; ++at) ++declared;
    Lv2TestHost host(lv2test::bundle());
    LilvNodes* owned = nullptr;
    const auto presets = presetsOf(host, host.plugin(Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Stereo)), owned);
    EXPECT_EQ(presets.size(), declared);
    EXPECT_EQ(declared, ResourceArchive().listFiles(ResourceArchive::kFactoryPresetsBranch)->size());
    LV2_URID_Map* map = const_cast<LV2_URID_Map*>(static_cast<const LV2_URID_Map*>(host.features()[0]->data));
    Lv2TestInstance instance(host, Lv2PortLayout::uriOf(Lv2PortLayout::Variant::Stereo), {});
    const auto input = lv2test::signal(2, 2048);
    for (const LilvNode* preset : presets) {
        LilvState* state = lilv_state_new_from_world(host.world(), map, preset);
        ASSERT_NE(state, nullptr);
        instance.restoreState(state);
        EXPECT_TRUE(lv2test::allFinite(instance.render(input, 512))) << lilv_node_as_uri(preset);
        lilv_state_free(state);
    }
    lilv_nodes_free(owned);
}

TEST(Lv2apply, ProcessesAFileThroughTheBundleLikeTheRenderer) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "lv2apply cannot load a module built with the address sanitizer";
#endif
    const std::string lv2apply = KESTRUM_LV2APPLY;
    if (lv2apply.empty() || lv2apply.find("NOTFOUND") != std::string::npos) GTEST_SKIP() << "lv2apply is not installed";
    TempDir temp;
    AudioData input;
    input.sampleRate = 48000;
    input.channels = lv2test::signal(2, 48000);
    std::string error;
    ASSERT_TRUE(writeAudioFile((temp.path / "in.wav").string(), input, SampleFormat::Float, error)) << error;
    // lv2apply maps a file's channels onto every audio input in order, the side chain included:
    // the same signal on the side chain is what the plug-in hears when it is not connected.
    AudioData four = input;
    four.channels.insert(four.channels.end(), input.channels.begin(), input.channels.end());
    ASSERT_TRUE(writeAudioFile((temp.path / "in4.wav").string(), four, SampleFormat::Float, error)) << error;
    const fs::path bundleParent = fs::path(lv2test::bundle()).parent_path().parent_path();
    const std::string in = (temp.path / "in.wav").string();
    const std::string viaLv2 = (temp.path / "lv2.wav").string(), viaRenderer = (temp.path / "render.wav").string();
    const std::string in4 = (temp.path / "in4.wav").string();
    const std::string run = "LV2_PATH='" + bundleParent.string() + "' '" + lv2apply + "' -i '" + in4 + "' -o '" + viaLv2 +
                            "' -c filter_1_freq 2000 -c filter_1_peak 0.6 -c filter_1_characteristic 7 -c mix 80 " +
                            "urn:zelvatrix:kestrum:stereo > '" + (temp.path / "log").string() + "' 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    const std::string render = std::string("'") + KESTRUM_RENDER_PROGRAM + "' --quiet --set 'Filter 1 Freq=2000' " +
                               "--set 'Filter 1 Peak=0.6' --set 'Filter 1 Characteristic=Tube' --set 'Mix=80' '" + in + "' '" +
                               viaRenderer + "'";
    ASSERT_EQ(std::system(render.c_str()), 0) << render;
    AudioData a, b;
    ASSERT_TRUE(readAudioFile(viaLv2, a, error)) << error;
    ASSERT_TRUE(readAudioFile(viaRenderer, b, error)) << error;
    ASSERT_EQ(a.channels.size(), 2u);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_NE(a.channels, input.channels);
}
