#include "presets/PresetManagers.h"

#include <filesystem>

#include "presets/PresetMessages.h"
#include "presets/SectionCollections.h"

namespace {

struct Registry {
    std::unique_ptr<PresetManager> main;
    std::vector<std::unique_ptr<PresetManager>> sections;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

std::vector<PresetManagers::Section> PresetManagers::productSections() {
    std::vector<Section> result;
    for (int s = 0; s < SectionCollections::kNumSections; ++s) {
        const auto section = static_cast<SectionCollections::Section>(s);
        result.push_back({SectionCollections::name(section), SectionCollections::extension(section)});
    }
    return result;
}

std::string PresetManagers::sectionFolder(const std::string& presetFolder, const std::string& sectionName) {
    if (presetFolder.empty()) return std::string();
    std::string folder = presetFolder;
    if (folder.back() != '/') folder += '/';
    return folder + kComponentFolder + "/" + sectionName + "/";
}

PresetManager& PresetManagers::create(const std::string& presetFolder, const std::string& previousVersionFolder,
                                      const std::string& mainExtension,
                                      const std::vector<Section>& sections, PresetManager::TimerFactory timers) {
    Registry& r = registry();
    if (r.main) return *r.main;
    r.main = std::make_unique<PresetManager>(mainExtension, timers);
    // The section presets have menus of their own; the main menu does not list their folders.
    r.main->setSkippedSubfolder(kComponentFolder);
    r.main->rescan(presetFolder);
    if (!previousVersionFolder.empty())
        r.main->addExtraFolder(previousVersionFolder, PresetMessages::previousVersionFolderLabel(1));
    for (const Section& s : sections) {
        const std::string folder = sectionFolder(presetFolder, s.name);
        if (!folder.empty()) {
            std::error_code ec;  // a folder that cannot be made just gives an empty menu
            std::filesystem::create_directories(folder, ec);
        }
        auto manager = std::make_unique<PresetManager>(s.extension, timers);
        manager->rescan(folder);
        r.sections.push_back(std::move(manager));
    }
    return *r.main;
}

void PresetManagers::destroy() {
    Registry& r = registry();
    r.sections.clear();
    r.main.reset();
}

bool PresetManagers::exists() { return registry().main != nullptr; }

PresetManager* PresetManagers::main() { return registry().main.get(); }

PresetManager* PresetManagers::section(int index) {
    Registry& r = registry();
    if (index < 0 || index >= static_cast<int>(r.sections.size())) return nullptr;
    return r.sections[static_cast<std::size_t>(index)].get();
}

int PresetManagers::numSections() { return static_cast<int>(registry().sections.size()); }
