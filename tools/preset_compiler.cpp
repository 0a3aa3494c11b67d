// Compiles the factory preset sources into the product's preset files.
//   kestrum_preset_compiler SOURCE_DIR OUTPUT_DIR
//
// A source is a text file of "Name=Value" lines, each value the text a user would type into the
// parameter's field; blank lines and lines starting with '#' are comments, and the first comment
// says what the preset does. Every source is applied to a fresh stereo instance on its defaults.
//   SOURCE_DIR/FactoryPresets/**/<Name>.txt                      -> a full preset <Name>.zxp
//   SOURCE_DIR/ApplicationData/Component Presets/<Section>/<Name>.txt
//                                                  -> the section preset of instance 1, <Name><ext>
// OUTPUT_DIR is rebuilt from scratch beside itself and renamed into place only when every source
// compiled, so a removed source never lingers and a failed build leaves no half tree. Every
// section folder is created, with or without presets. The output holds nothing but parameter
// values, so the same sources always give the same bytes.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "product/KestrumPlugin.h"
#include "product/ParameterLookup.h"

namespace fs = std::filesystem;

namespace {

const char* const kFullBranch = "FactoryPresets";
const char* const kComponentFolder = "ApplicationData/Component Presets";
const char* const kSourceExtension = ".txt";

struct CompileError {
    std::string message;
};

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    const size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string where(const fs::path& file, int line) { return file.string() + ":" + std::to_string(line) + ": "; }

// A slot, source or target the editor does not show (its item is not active) would be a hidden
// setting the user can neither see nor undo: the preset is refused instead.
class VisibilityCheck {
public:
    explicit VisibilityCheck(KestrumPlugin& plugin) : plugin_(plugin) {}

    std::string problem() const {
        const int slots = plugin_.slots.getActiveCount();
        for (int s = 0; s < 24; ++s) {
            ModulationSlotParameterSet* set = plugin_.slots.getSlot(s);
            const int source = set->source.getSourceIndex();
            const int target = set->target.getTargetIndex();
            if (source < 0 && target < 0) continue;
            const std::string slot = "Slot " + std::to_string(s + 1);
            if (s >= slots) return slot + " is used but Num Active Slots is " + std::to_string(slots);
            if (source >= 0 && !sourceShown(source)) return slot + " reads a source that is not active";
            if (target >= 0 && !targetShown(target, slots)) return slot + " drives a target that is not active";
        }
        return std::string();
    }

private:
    bool sourceShown(int source) const {
        if (source < 8) return source / 2 < active(plugin_.xyControllers);
        if (source < 14) return source - 8 < active(plugin_.xlfos);
        if (source < 20) return source - 14 < active(plugin_.egs);
        if (source < 24) return source - 20 < active(plugin_.efs);
        return source - 24 < active(plugin_.midiSources);
    }

    bool targetShown(int target, int slots) const {
        if (target < 16) return target / 4 < active(plugin_.filters);
        if (target < 40) return (target - 16) / 4 < active(plugin_.xlfos);
        if (target < 76) return (target - 40) / 6 < active(plugin_.egs);
        if (target < 84) return (target - 76) / 2 < active(plugin_.efs);
        if (target < 89) return true;
        return target - 89 < slots;
    }

    static int active(AbstractParameterSetList& list) { return list.getActiveCount(); }

    KestrumPlugin& plugin_;
};

// Applies one source to `plugin`; `allowed` (when given) lists the parameters the file may set.
void applySource(const fs::path& file, KestrumPlugin& plugin, const std::vector<AbstractPluginParameter*>* allowed,
                 const std::string& sectionLabel) {
    std::ifstream in(file);
    if (!in) throw CompileError{file.string() + ": cannot be read"};
    ParameterLookup lookup(plugin);
    std::set<AbstractPluginParameter*> seen;
    std::string line;
    bool described = false;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string text = trim(line);
        if (text.empty()) continue;
        if (text[0] == '#') {
            if (!trim(text.substr(1)).empty()) described = true;
            continue;
        }
        if (!described) throw CompileError{where(file, number) + "a preset begins with a comment that says what it does"};
        std::string error;
        const size_t eq = text.find('=');
        AbstractPluginParameter* p = eq == std::string::npos ? nullptr : lookup.find(trim(text.substr(0, eq)));
        if (p && allowed && std::find(allowed->begin(), allowed->end(), p) == allowed->end())
            throw CompileError{where(file, number) + "'" + p->getName() + "' is not part of " + sectionLabel};
        if (p && !seen.insert(p).second)
            throw CompileError{where(file, number) + "'" + p->getName() + "' is set twice"};
        if (!lookup.apply(text, error)) throw CompileError{where(file, number) + error};
    }
    if (!described) throw CompileError{file.string() + ":1: a preset begins with a comment that says what it does"};
    const std::string hidden = VisibilityCheck(plugin).problem();
    if (!hidden.empty()) throw CompileError{file.string() + ": " + hidden};
}

// A fresh instance on its defaults: whatever construction may load (a user's default preset,
// for one) does not leak into the factory files.
std::unique_ptr<KestrumPlugin> freshPlugin() {
    auto plugin = std::make_unique<KestrumPlugin>(2);
    for (int i = 0; i < plugin->getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin->getParameter(i);
        p->setValue(p->getDefaultValue(), 0);
    }
    return plugin;
}

// The sources under `dir` in a fixed order, so messages and work come out the same every time.
std::vector<fs::path> sourcesUnder(const fs::path& dir, bool recursive) {
    std::vector<fs::path> found;
    if (!fs::is_directory(dir)) return found;
    auto take = [&found](const fs::directory_entry& e) {
        if (e.is_regular_file() && e.path().extension() == kSourceExtension) found.push_back(e.path());
    };
    if (recursive)
        for (const auto& e : fs::recursive_directory_iterator(dir)) take(e);
    else
        for (const auto& e : fs::directory_iterator(dir)) take(e);
    std::sort(found.begin(), found.end());
    return found;
}

void makeFolder(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw CompileError{dir.string() + ": cannot be created: " + ec.message()};
}

int compileFullPresets(const fs::path& sourceRoot, const fs::path& outRoot) {
    const fs::path from = sourceRoot / kFullBranch;
    int count = 0;
    makeFolder(outRoot / kFullBranch);
    for (const fs::path& file : sourcesUnder(from, true)) {
        const fs::path target = outRoot / kFullBranch / fs::relative(file, from).replace_extension(".zxp");
        makeFolder(target.parent_path());
        auto plugin = freshPlugin();
        applySource(file, *plugin, nullptr, std::string());
        if (!plugin->savePresetFile(target.string())) throw CompileError{target.string() + ": cannot be written"};
        ++count;
    }
    return count;
}

int compileComponentPresets(const fs::path& sourceRoot, const fs::path& outRoot) {
    const fs::path from = sourceRoot / kComponentFolder;
    int count = 0;
    std::set<std::string> known;
    for (int s = 0; s < SectionCollections::kNumSections; ++s) {
        const auto section = static_cast<SectionCollections::Section>(s);
        const std::string name = SectionCollections::name(section);
        known.insert(name);
        makeFolder(outRoot / kComponentFolder / name);
        for (const fs::path& file : sourcesUnder(from / name, false)) {
            auto plugin = freshPlugin();
            const ParameterCollection* instance = plugin->sections().get(section, 0);
            const std::string label = name == "Filters" || name == "Slots" ? name : name + " 1";
            applySource(file, *plugin, &instance->parameters(), label);
            const fs::path target =
                outRoot / kComponentFolder / name / (file.stem().string() + SectionCollections::extension(section));
            if (!plugin->sections().save(section, 0, target.string()))
                throw CompileError{target.string() + ": cannot be written"};
            ++count;
        }
    }
    if (fs::is_directory(from)) {
        for (const auto& e : fs::directory_iterator(from)) {
            if (!known.count(e.path().filename().string()))
                throw CompileError{e.path().string() + ": not a section (" + std::to_string(known.size()) +
                                   " sections: Filters, XLFO, EG, EF, MIDI, Slots)"};
        }
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kestrum_preset_compiler SOURCE_DIR OUTPUT_DIR\n";
        return 2;
    }
    const fs::path sourceRoot(argv[1]);
    const fs::path outRoot = fs::absolute(argv[2]);
    const fs::path staging = outRoot.string() + ".new";
    std::error_code ec;
    try {
        if (!fs::is_directory(sourceRoot / kFullBranch))
            throw CompileError{(sourceRoot / kFullBranch).string() + ": no such folder"};
        fs::remove_all(staging, ec);
        const int full = compileFullPresets(sourceRoot, staging);
        const int components = compileComponentPresets(sourceRoot, staging);
        fs::remove_all(outRoot, ec);
        fs::rename(staging, outRoot, ec);
        if (ec) throw CompileError{outRoot.string() + ": cannot be replaced: " + ec.message()};
        std::cout << "factory presets: " << full << " full, " << components << " component\n";
        return 0;
    } catch (const CompileError& e) {
        fs::remove_all(staging, ec);
        std::cerr << e.message << "\n";
        return 1;
    }
}
