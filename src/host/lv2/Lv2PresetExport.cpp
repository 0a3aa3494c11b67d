#include "host/lv2/Lv2PresetExport.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "host/lv2/Lv2ControlPorts.h"
#include "host/lv2/Lv2Uris.h"
#include "product/KestrumPlugin.h"

namespace fs = std::filesystem;

std::string Lv2PresetExport::base64(const std::vector<unsigned char>& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned v = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) | (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += digits[v >> 18 & 63];
        out += digits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? digits[v & 63] : '=';
    }
    return out;
}

std::string Lv2PresetExport::uriFor(const std::string& relativePath) {
    std::string uri = lv2uris::kPresetPrefix;
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : relativePath) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

Lv2PresetExport::Result Lv2PresetExport::fromTree(const std::string& root, const std::string& file) {
    Result result;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && it->path().extension() == ".zxp") files.push_back(it->path());
    }
    if (ec) {
        result.error = "cannot read the preset tree '" + root + "'";
        return result;
    }
    std::sort(files.begin(), files.end());

    std::ostringstream out;
    out << Lv2Turtle::prefixes();
    KestrumPlugin plugin(2);
    const std::vector<Lv2ControlPorts::Port> ports = Lv2ControlPorts::describe(plugin);
    for (const fs::path& path : files) {
        if (!plugin.loadPreset(path.string())) {
            result.error = "cannot load the preset '" + path.string() + "'";
            return result;
        }
        const std::vector<uint8_t> state = plugin.saveState();
        std::string relative = fs::relative(path, root).replace_extension().generic_string();
        const std::string uri = uriFor(relative);
        out << "<" << uri << ">\n  a pset:Preset ;\n  rdfs:label " << Lv2Turtle::quoted(relative) << " ;\n";
        for (const Lv2ControlPorts::Port& port : ports) {
            AbstractPluginParameter& p = *plugin.getParameter(port.parameter);
            out << "  lv2:port [ lv2:symbol \"" << port.symbol << "\" ; pset:value "
                << Lv2Turtle::number(Lv2ControlPorts::portValue(p, p.getValue())) << " ] ;\n";
        }
        out << "  state:state [\n    <" << lv2uris::kStateKey << "> \"" << base64({state.begin(), state.end()})
            << "\"^^xsd:base64Binary ;\n    <" << lv2uris::kPresetNameKey << "> "
            << Lv2Turtle::quoted(plugin.currentPreset().getName()) << "\n  ] .\n\n";
        result.entries.push_back({uri, file});
    }
    result.turtle = out.str();
    result.ok = true;
    return result;
}
