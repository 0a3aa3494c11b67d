// The bundle as a host sees it: its plug-ins, their ports, and a quiet load.
#include <gtest/gtest.h>

#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2PortLayout.h"
#include "lv2/Lv2Support.h"
#include "lv2/Lv2TestHost.h"
#include "product/KestrumPlugin.h"

namespace {

using Variant = Lv2PortLayout::Variant;
constexpr Variant kVariants[] = {Variant::Stereo, Variant::Mono, Variant::MonoToStereo};

// Everything written to standard output and error while `body` runs.
template <typename F>
std::string captureOutput(F body) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* sink = std::tmpfile();
    const int out = dup(1), err = dup(2);
    dup2(fileno(sink), 1);
    dup2(fileno(sink), 2);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    std::string text;
    std::rewind(sink);
    for (int c; (c = std::fgetc(sink)) != EOF;) text += static_cast<char>(c);
    std::fclose(sink);
    return text;
}

}  // namespace

TEST(Bundle, LoadsAndInstantiatesEveryPluginWithoutPrintingAnything) {
    const std::string printed = captureOutput([] {
        Lv2TestHost host(lv2test::bundle());
        for (Variant v : kVariants) {
            Lv2TestInstance instance(host, Lv2PortLayout::uriOf(v), {});
            EXPECT_TRUE(instance.valid()) << Lv2PortLayout::uriOf(v);
        }
    });
    EXPECT_EQ(printed, "");
}

TEST(Bundle, PortsFollowTheLayoutAndTheParameterList) {
    Lv2TestHost host(lv2test::bundle());
    KestrumPlugin reference(2);
    const std::vector<Lv2ControlPorts::Port> controls = Lv2ControlPorts::describe(reference);
    ASSERT_EQ(static_cast<int>(controls.size()), reference.getNumParameters());
    LilvWorld* w = host.world();
    LilvNode* sideChain = lilv_new_uri(w, LV2_CORE_PREFIX "isSideChain");
    LilvNode* reportsLatency = lilv_new_uri(w, LV2_CORE__reportsLatency);
    LilvNode* enabled = lilv_new_uri(w, LV2_CORE__enabled);
    LilvNode* control = lilv_new_uri(w, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(w, LV2_CORE__InputPort);
    LilvNode* logarithmic = lilv_new_uri(w, LV2_PORT_PROPS__logarithmic);
    LilvNode* enumeration = lilv_new_uri(w, LV2_CORE__enumeration);
    LilvNode* unit = lilv_new_uri(w, LV2_UNITS__unit);

    EXPECT_EQ(lilv_plugins_size(lilv_world_get_all_plugins(w)), 3u);
    for (Variant v : kVariants) {
        SCOPED_TRACE(Lv2PortLayout::uriOf(v));
        const LilvPlugin* plugin = host.plugin(Lv2PortLayout::uriOf(v));
        ASSERT_NE(plugin, nullptr);
        const Lv2PortLayout layout = Lv2PortLayout::forVariant(v);
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        ASSERT_EQ(n, layout.firstControl + controls.size());
        EXPECT_TRUE(lilv_port_has_property(plugin, lilv_plugin_get_port_by_index(plugin, layout.sideChain[0]), sideChain));
        EXPECT_TRUE(lilv_port_has_property(plugin, lilv_plugin_get_port_by_index(plugin, layout.latency), reportsLatency));
        EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, input, enabled), lilv_plugin_get_port_by_index(plugin, layout.enabled));
        EXPECT_TRUE(lilv_plugin_has_latency(plugin));

        std::vector<float> lo(n), hi(n), def(n);
        lilv_plugin_get_port_ranges_float(plugin, lo.data(), hi.data(), def.data());
        for (size_t i = 0; i < controls.size(); ++i) {
            const uint32_t index = layout.firstControl + static_cast<uint32_t>(i);
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
            ASSERT_TRUE(lilv_port_is_a(plugin, port, control));
            ASSERT_EQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), controls[i].symbol);
            // The turtle's numbers are the parameter's own display bounds and default, exactly.
            EXPECT_EQ(lo[index], controls[i].minimum) << controls[i].name;
            EXPECT_EQ(hi[index], controls[i].maximum) << controls[i].name;
            EXPECT_EQ(def[index], controls[i].defaultValue) << controls[i].name;
        }
    }

    // What a generic host control shows for a few kinds of parameter.
    const LilvPlugin* stereo = host.plugin(Lv2PortLayout::uriOf(Variant::Stereo));
    const uint32_t first = Lv2PortLayout::forVariant(Variant::Stereo).firstControl;
    auto portOf = [&](const char* symbol) {
        LilvNode* s = lilv_new_string(w, symbol);
        const LilvPort* p = lilv_plugin_get_port_by_symbol(stereo, s);
        lilv_node_free(s);
        return p;
    };
    const LilvPort* freq = portOf("filter_1_freq");
    ASSERT_NE(freq, nullptr);
    EXPECT_EQ(lilv_port_get_index(stereo, freq), first + static_cast<uint32_t>(lv2test::parameterNamed(reference, "Filter 1 Freq").getId()));
    EXPECT_TRUE(lilv_port_has_property(stereo, freq, logarithmic));
    LilvNodes* units = lilv_port_get_value(stereo, freq, unit);
    ASSERT_EQ(lilv_nodes_size(units), 1u);
    EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get_first(units)), LV2_UNITS__hz);
    lilv_nodes_free(units);

    const LilvPort* mode = portOf("routing_mode");
    ASSERT_NE(mode, nullptr);
    EXPECT_TRUE(lilv_port_has_property(stereo, mode, enumeration));
    LilvScalePoints* points = lilv_port_get_scale_points(stereo, mode);
    std::vector<std::string> labels;
    LILV_FOREACH (scale_points, i, points) labels.emplace_back(lilv_node_as_string(lilv_scale_point_get_label(lilv_scale_points_get(points, i))));
    lilv_scale_points_free(points);
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"Mid/Side", "Per Channel", "Stereo"}));

    for (LilvNode* node : {sideChain, reportsLatency, enabled, control, input, logarithmic, enumeration, unit}) lilv_node_free(node);
}

TEST(Bundle, SymbolsAreLowercaseUniqueAndNeverTakeAFixedPortsSymbol) {
    std::vector<std::string> used = {"enabled"};
    EXPECT_EQ(Lv2ControlPorts::symbolFor("Filter 1 Freq", used), "filter_1_freq");
    EXPECT_EQ(Lv2ControlPorts::symbolFor("Auto Mute Self-Osc", used), "auto_mute_self_osc");
    EXPECT_EQ(Lv2ControlPorts::symbolFor("Enabled", used), "enabled_2");
    EXPECT_EQ(Lv2ControlPorts::symbolFor("1/4 < Mix >", used), "p_1_4_mix");
    EXPECT_EQ(Lv2ControlPorts::symbolFor("Filter 1 Freq", used), "filter_1_freq_2");
}

TEST(Bundle, PortValuesOutsideTheRangeOrNotFiniteAreLimitedOrRefused) {
    KestrumPlugin plugin(2);
    AbstractPluginParameter& freq = lv2test::parameterNamed(plugin, "Filter 1 Freq");
    float value = -1.0f;
    ASSERT_TRUE(Lv2ControlPorts::parameterValue(freq, 1.0e9f, value));
    EXPECT_EQ(value, freq.getMaximum());
    ASSERT_TRUE(Lv2ControlPorts::parameterValue(freq, -5.0f, value));
    EXPECT_EQ(value, freq.getMinimum());
    EXPECT_FALSE(Lv2ControlPorts::parameterValue(freq, std::nanf(""), value));
    AbstractPluginParameter& slope = lv2test::parameterNamed(plugin, "Filter 1 Slope");
    ASSERT_TRUE(Lv2ControlPorts::parameterValue(slope, 2.4f, value));
    EXPECT_EQ(value, 2.0f);
}
