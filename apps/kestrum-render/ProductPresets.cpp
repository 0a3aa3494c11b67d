#include "ProductPresets.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <vector>

#include "engine/GenericPlugin.h"
#include "platform/FileSystem.h"
#include "presets/PresetManager.h"
#include "presets/PresetManagers.h"
#include "presets/PresetMessages.h"
#include "presets/ResourceArchive.h"
#include "product/KestrumPlugin.h"

namespace ProductPresets {
namespace {

struct FactoryEntry {
    std::string path;  // below the FactoryPresets branch, "Synth/Acid Line.zxp"
    std::string name;  // "Acid Line"
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<FactoryEntry> factoryPresets(const std::string& extension) {
    std::vector<FactoryEntry> entries;
    const auto files = ResourceArchive().listFiles(ResourceArchive::kFactoryPresetsBranch);
    if (!files) return entries;
    for (const std::string& path : *files) {
        if (!endsWith(lower(path), lower(extension))) continue;
        entries.push_back({path, GenericPlugin::presetNameOf(path)});
    }
    return entries;
}

const std::vector<Preset*>& userPresets() {
    static const std::vector<Preset*> none;
    return PresetManagers::exists() && PresetManagers::main() ? PresetManagers::main()->flatten() : none;
}

bool loadFactory(GenericPlugin& plugin, const FactoryEntry& e, std::string& error) {
    const auto bytes = ResourceArchive().readFile(ResourceArchive::kFactoryPresetsBranch, e.path);
    if (bytes && plugin.loadPresetFromMemory(e.name, bytes->data(), bytes->size())) return true;
    error = "the factory preset '" + e.path + "' is damaged";
    return false;
}

}  // namespace

bool load(GenericPlugin& plugin, const std::string& nameOrPath, std::string& error) {
    const std::string extension = plugin.productInfo().presetExtension;
    const bool exists = FileSystem::exists(nameOrPath);
    if (!exists && nameOrPath.find('/') != std::string::npos) {
        // A factory preset by the path --list-presets shows ("Synth/Acid Line").
        for (const FactoryEntry& e : factoryPresets(extension)) {
            if (e.path != nameOrPath && e.path != nameOrPath + extension) continue;
            return loadFactory(plugin, e, error);
        }
    }
    if (exists || nameOrPath.find('/') != std::string::npos) {
        if (plugin.loadPreset(nameOrPath)) return true;
        error = std::string(PresetMessages::kOpenFailed) + " (" + nameOrPath + ")";
        return false;
    }
    // Exact names first in both places, then the same in any letter case.
    for (bool anyCase : {false, true}) {
        const std::string wanted = anyCase ? lower(nameOrPath) : nameOrPath;
        auto same = [&](const std::string& n) { return (anyCase ? lower(n) : n) == wanted; };
        for (const Preset* p : userPresets()) {
            if (!same(p->name)) continue;
            if (plugin.loadPreset(p->path)) return true;
            error = std::string(PresetMessages::kOpenFailed) + " (" + p->path + ")";
            return false;
        }
        for (const FactoryEntry& e : factoryPresets(extension)) {
            if (!same(e.name)) continue;
            return loadFactory(plugin, e, error);
        }
    }
    error = "no preset named '" + nameOrPath +
            "' in the preset folder or the factory library (--list-presets lists them)";
    return false;
}

std::string listing(GenericPlugin& plugin) {
    std::ostringstream out;
    std::set<std::string> installed;
    const std::vector<Preset*>& user = userPresets();
    if (user.empty()) out << "No presets in the preset folder.\n";
    for (const Preset* p : user) {
        out << p->label << "\n";
        installed.insert(p->name);
    }
    bool heading = false;
    for (const FactoryEntry& e : factoryPresets(plugin.productInfo().presetExtension)) {
        if (installed.count(e.name)) continue;
        if (!heading) {
            out << "\nFactory presets, not installed (--preset NAME uses them as they are; "
                   "--install-factory installs them):\n";
            heading = true;
        }
        out << "  " << e.path.substr(0, e.path.size() - plugin.productInfo().presetExtension.size()) << "\n";
    }
    return out.str();
}

bool installFactory(GenericPlugin& plugin, std::string& message) {
    auto* product = dynamic_cast<KestrumPlugin*>(&plugin);
    const SharedPluginSettings* shared = GenericPlugin::sharedSettings();
    if (!product || !shared || !product->installFactoryContent(false)) {
        // The product's text, on one line.
        message.clear();
        for (const char* c = PresetMessages::kRestoreFailed; *c; ++c)
            if (*c != '\n') message += *c;
            else if (c[1] != '\n') message += ' ';
        return false;
    }
    message = "installed the factory presets into " + shared->presetFolder.get();
    return true;
}

}  // namespace ProductPresets
