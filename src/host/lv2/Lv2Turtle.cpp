#include "host/lv2/Lv2Turtle.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2PortLayout.h"
#include "product/KestrumPlugin.h"
#include "Version.h"

namespace {

using Variant = Lv2PortLayout::Variant;
constexpr Variant kVariants[] = {Variant::Stereo, Variant::Mono, Variant::MonoToStereo};

void audioPort(std::ostream& out, uint32_t index, bool input, const char* symbol, const char* name, bool sideChain) {
    out << "  lv2:port [\n    a lv2:AudioPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
        << "    lv2:index " << index << " ;\n    lv2:symbol \"" << symbol << "\" ;\n    lv2:name \"" << name << "\" ;\n";
    if (sideChain) out << "    lv2:portProperty lv2:isSideChain , lv2:connectionOptional ;\n";
    out << "  ] ;\n";
}

void controlPort(std::ostream& out, uint32_t index, const Lv2ControlPorts::Port& p) {
    out << "  lv2:port [\n    a lv2:ControlPort , lv2:InputPort ;\n    lv2:index " << index << " ;\n"
        << "    lv2:symbol \"" << p.symbol << "\" ;\n    lv2:name " << Lv2Turtle::quoted(p.name) << " ;\n"
        << "    lv2:default " << Lv2Turtle::number(p.defaultValue) << " ;\n"
        << "    lv2:minimum " << Lv2Turtle::number(p.minimum) << " ;\n"
        << "    lv2:maximum " << Lv2Turtle::number(p.maximum) << " ;\n";
    switch (p.kind) {
        case Lv2ControlPorts::Kind::Integer: out << "    lv2:portProperty lv2:integer ;\n"; break;
        case Lv2ControlPorts::Kind::Toggle: out << "    lv2:portProperty lv2:toggled , lv2:enumeration ;\n"; break;
        case Lv2ControlPorts::Kind::Enumeration: out << "    lv2:portProperty lv2:integer , lv2:enumeration ;\n"; break;
        case Lv2ControlPorts::Kind::Continuous: break;
    }
    if (p.logarithmic) out << "    lv2:portProperty pprops:logarithmic ;\n";
    if (!p.unit.empty()) out << "    units:unit <" << p.unit << "> ;\n";
    for (const auto& [value, label] : p.scalePoints)
        out << "    lv2:scalePoint [ rdfs:label " << Lv2Turtle::quoted(label) << " ; rdf:value " << Lv2Turtle::number(value) << " ] ;\n";
    out << "  ] ;\n";
}

}  // namespace

const char* Lv2Turtle::prefixes() {
    return "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
           "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
           "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
           "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
           "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
           "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
           "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
           "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
           "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
           "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
           "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
           "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
           "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
           "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
           "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
           "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n"
           "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";
}

std::string Lv2Turtle::quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string Lv2Turtle::number(float value) {
    if (!std::isfinite(value)) value = 0.0f;
    char text[32];
    // Nine significant digits give the float back exactly; a decimal point keeps it a number.
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string Lv2Turtle::plugins(KestrumPlugin& plugin) {
    const std::vector<Lv2ControlPorts::Port> controls = Lv2ControlPorts::describe(plugin);
    std::ostringstream out;
    out << prefixes();
    for (Variant v : kVariants) {
        const Lv2PortLayout l = Lv2PortLayout::forVariant(v);
        out << "<" << Lv2PortLayout::uriOf(v) << ">\n  a lv2:Plugin , lv2:FilterPlugin ;\n"
            << "  doap:name " << quoted(Lv2PortLayout::nameOf(v)) << " ;\n"
            << "  doap:maintainer [ foaf:name \"Zelvatrix\" ] ;\n"
            << "  lv2:minorVersion " << KESTRUM_VERSION_MINOR << " ;\n  lv2:microVersion " << KESTRUM_VERSION_PATCH << " ;\n"
            << "  lv2:optionalFeature lv2:hardRTCapable , urid:map , work:schedule , opts:options , state:threadSafeRestore ;\n"
            << "  opts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
            << "  lv2:extensionData state:interface , work:interface ;\n";
        const bool stereoIn = l.numInputs == 2, stereoOut = l.numOutputs == 2;
        for (int c = 0; c < l.numInputs; ++c)
            audioPort(out, l.input[c], true, stereoIn ? (c ? "in_r" : "in_l") : "in", stereoIn ? (c ? "Input R" : "Input L") : "Input", false);
        for (int c = 0; c < l.numOutputs; ++c)
            audioPort(out, l.output[c], false, stereoOut ? (c ? "out_r" : "out_l") : "out",
                      stereoOut ? (c ? "Output R" : "Output L") : "Output", false);
        for (int c = 0; c < l.numSideChains; ++c)
            audioPort(out, l.sideChain[c], true, stereoIn ? (c ? "sidechain_r" : "sidechain_l") : "sidechain",
                      stereoIn ? (c ? "Side Chain R" : "Side Chain L") : "Side Chain", true);
        out << "  lv2:port [\n    a atom:AtomPort , lv2:InputPort ;\n    lv2:index " << l.events << " ;\n"
            << "    lv2:symbol \"events\" ;\n    lv2:name \"Events\" ;\n    atom:bufferType atom:Sequence ;\n"
            << "    atom:supports midi:MidiEvent , time:Position ;\n    lv2:designation lv2:control ;\n"
            << "    lv2:portProperty lv2:connectionOptional ;\n  ] ;\n"
            << "  lv2:port [\n    a lv2:ControlPort , lv2:OutputPort ;\n    lv2:index " << l.latency << " ;\n"
            << "    lv2:symbol \"latency\" ;\n    lv2:name \"Latency\" ;\n    lv2:designation lv2:latency ;\n"
            << "    lv2:portProperty lv2:reportsLatency , lv2:integer ;\n    lv2:minimum 0 ;\n    lv2:maximum 192000 ;\n"
            << "    units:unit units:frame ;\n  ] ;\n"
            << "  lv2:port [\n    a lv2:ControlPort , lv2:InputPort ;\n    lv2:index " << l.enabled << " ;\n"
            << "    lv2:symbol \"enabled\" ;\n    lv2:name \"Enabled\" ;\n    lv2:designation lv2:enabled ;\n"
            << "    lv2:portProperty lv2:toggled ;\n    lv2:default 1 ;\n    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n  ] ;\n";
        for (size_t i = 0; i < controls.size(); ++i) controlPort(out, l.firstControl + static_cast<uint32_t>(i), controls[i]);
        out << "  rdfs:comment \"Stereo multi-filter with modulation.\" .\n\n";
    }
    return out.str();
}

std::string Lv2Turtle::manifest(const std::string& binary, const std::vector<PresetEntry>& presets) {
    std::ostringstream out;
    out << prefixes();
    for (Variant v : kVariants)
        out << "<" << Lv2PortLayout::uriOf(v) << ">\n  a lv2:Plugin ;\n  lv2:binary <" << binary << "> ;\n"
            << "  rdfs:seeAlso <kestrum.ttl> .\n\n";
    for (const PresetEntry& p : presets) {
        out << "<" << p.uri << ">\n  a pset:Preset ;\n  lv2:appliesTo ";
        for (size_t i = 0; i < std::size(kVariants); ++i) out << (i ? " , " : "") << "<" << Lv2PortLayout::uriOf(kVariants[i]) << ">";
        out << " ;\n  rdfs:seeAlso <" << p.file << "> .\n\n";
    }
    return out.str();
}
