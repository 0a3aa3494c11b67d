#include "presets/PresetManager.h"

#include <utility>

#include "platform/PosixIntervalTimer.h"

PresetManager::PresetManager(std::string extension, TimerFactory timers)
    : PresetFolder(std::move(extension)), timers_(std::move(timers)) {}

void PresetManager::scanFolder(PresetFolder& folder, const std::string& path) {
    std::unique_ptr<IntervalTimer> timer = timers_ ? timers_() : nullptr;
    if (!timer) timer = std::make_unique<PosixIntervalTimer>();
    folder.scan(path, kScanBudgetMs, *timer);
}

void PresetManager::rescan() { rescan(getPath()); }

void PresetManager::rescan(const std::string& path) {
    flattened_.clear();
    scanFolder(*this, path);
    // Extra folders are rescanned too: a preset saved into one of them shows up at once.
    for (auto& extra : extraFolders_) {
        const std::string label = extra->getDisplayName();
        scanFolder(*extra, extra->getPath());
        extra->setDisplayName(label);
    }
    number();
}

PresetFolder& PresetManager::addExtraFolder(const std::string& path, const std::string& label) {
    flattened_.clear();
    auto folder = std::make_unique<PresetFolder>(getExtension());
    scanFolder(*folder, path);
    folder->setDisplayName(label);
    extraFolders_.push_back(std::move(folder));
    number();
    return *extraFolders_.back();
}

void PresetManager::number() {
    flattened_.clear();
    appendFlattened(flattened_);
    mainCount_ = static_cast<int>(flattened_.size());
    for (auto& extra : extraFolders_) extra->appendFlattened(flattened_);
    for (std::size_t i = 0; i < flattened_.size(); ++i) {
        Preset& p = *flattened_[i];
        p.bank = static_cast<int>(i / kProgramsPerBank);
        p.program = static_cast<int>(i % kProgramsPerBank);
        p.label.assign(1, '(');
        p.label.append(std::to_string(p.bank)).append(1, '/').append(std::to_string(p.program)).append(") ").append(p.name);
    }
}

const Preset* PresetManager::findByName(const std::string& name) const {
    for (const Preset* p : flattened_)
        if (p->name == name) return p;
    return nullptr;
}

const Preset* PresetManager::presetForProgram(int bank, int program) const {
    if (bank < 0 || program < 0 || program >= kProgramsPerBank) return nullptr;
    const long long index = static_cast<long long>(bank) * kProgramsPerBank + program;
    if (index >= static_cast<long long>(flattened_.size())) return nullptr;
    return flattened_[static_cast<std::size_t>(index)];
}

const Preset* PresetManager::step(const std::string& currentPath, int direction) const {
    const int n = static_cast<int>(flattened_.size());
    int i = 0;
    while (i < n && flattened_[static_cast<std::size_t>(i)]->path != currentPath) ++i;
    if (i == n) return nullptr;
    int result = i;
    if (direction == kPrevious) result = (i - 1 + n) % n;
    if (direction == kNext) result = (i + 1) % n;
    if (i < mainCount_ && result >= mainCount_) result = direction == kNext ? 0 : mainCount_ - 1;
    return flattened_[static_cast<std::size_t>(result)];
}

bool PresetManager::contains(const PresetFolder& folder, const std::string& path) {
    std::vector<const PresetFolder*> stack{&folder};
    while (!stack.empty()) {
        const PresetFolder* f = stack.back();
        stack.pop_back();
        for (const Preset& p : f->getPresets())
            if (p.path == path) return true;
        for (const auto& child : f->getSubfolders()) stack.push_back(child.get());
    }
    return false;
}
