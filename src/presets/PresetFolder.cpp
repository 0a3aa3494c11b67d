#include "presets/PresetFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/PosixFileEnumerator.h"
#include "platform/PosixIntervalTimer.h"

namespace {

// Compares ignoring ASCII letter case, then by exact bytes.
bool caselessLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool endsWithCaseless(const std::string& name, const std::string& suffix) {
    if (suffix.empty() || name.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(name[name.size() - suffix.size() + i]);
        if (std::tolower(a) != std::tolower(static_cast<unsigned char>(suffix[i]))) return false;
    }
    return true;
}

bool budgetLeft(std::int64_t budgetMs, const IntervalTimer& timer) { return timer.elapsedMs() < budgetMs; }

}  // namespace

PresetFolder::PresetFolder(std::string extension) : extension_(std::move(extension)) {}

PresetFolder::~PresetFolder() { clear(); }

void PresetFolder::clear() {
    // Free the subtree from a list instead of letting each child's destructor free its own, so a
    // very deep tree does not use one stack frame per level.
    std::vector<std::unique_ptr<PresetFolder>> pending = std::move(subfolders_);
    subfolders_.clear();
    while (!pending.empty()) {
        std::unique_ptr<PresetFolder> folder = std::move(pending.back());
        pending.pop_back();
        for (auto& child : folder->subfolders_) pending.push_back(std::move(child));
        folder->subfolders_.clear();
    }
    presets_.clear();
}

void PresetFolder::displayNameOf(const std::string& name, std::string& displayName, bool& sortFirst) {
    // A lone "_" keeps its name, so the menu never shows an empty title.
    sortFirst = name.size() > 1 && name[0] == '_';
    displayName = sortFirst ? name.substr(1) : name;
}

void PresetFolder::setPath(const std::string& path) {
    path_ = path;
    // An empty path stays empty: with a separator added it would name the file system's root.
    if (!path_.empty() && path_.back() != '/') path_ += '/';
    std::string last = path_;
    while (!last.empty() && last.back() == '/') last.pop_back();
    const std::size_t slash = last.rfind('/');
    if (slash != std::string::npos) last = last.substr(slash + 1);
    displayNameOf(last, displayName_, sortFirst_);
}

void PresetFolder::scan(const std::string& path, std::int64_t budgetMs) {
    PosixIntervalTimer timer;
    scan(path, budgetMs, timer);
}

void PresetFolder::scan(const std::string& path, std::int64_t budgetMs, const IntervalTimer& timer) {
    clear();
    setPath(path);
    parent_ = nullptr;
    if (path_.empty() || budgetMs <= 0) return;
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
    device_ = info.st_dev;
    inode_ = info.st_ino;

    // Depth first in sorted order; the stack holds folders whose entries are not listed yet.
    std::vector<PresetFolder*> stack{this};
    while (!stack.empty()) {
        PresetFolder* folder = stack.back();
        stack.pop_back();
        if (!folder->listOwnEntries(budgetMs, timer)) break;
        for (auto it = folder->subfolders_.rbegin(); it != folder->subfolders_.rend(); ++it) stack.push_back(it->get());
    }
}

bool PresetFolder::listOwnEntries(std::int64_t budgetMs, const IntervalTimer& timer) {
    if (!budgetLeft(budgetMs, timer)) return false;
    bool inTime = true;

    PosixFileEnumerator files(path_ + "*" + extension_, false);
    while (inTime && files.next()) {
        const std::string name = files.getName();
        // The enumerator hides names starting with '.', so ".zxp" alone never comes here; a name
        // must still hold something before the extension.
        if (name.size() <= extension_.size() || !endsWithCaseless(name, extension_)) continue;
        struct stat info {};
        // Regular files only: a folder, a dangling link or a pipe (which would block the load) is
        // not a preset.
        if (stat((path_ + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            Preset preset;
            preset.path = path_ + name;
            preset.name = name.substr(0, name.size() - extension_.size());
            presets_.push_back(std::move(preset));
        }
        inTime = budgetLeft(budgetMs, timer);
    }
    std::sort(presets_.begin(), presets_.end(), [](const Preset& a, const Preset& b) {
        if (a.name != b.name) return caselessLess(a.name, b.name);
        return a.path < b.path;
    });

    PosixFileEnumerator folders(path_ + "*", true);
    while (inTime && folders.next()) {
        if (!skippedSubfolder_.empty() && folders.getName() == skippedSubfolder_) continue;
        const std::string childPath = path_ + folders.getName() + "/";
        struct stat info {};
        if (stat(childPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
        // A link back to this folder or one above it would repeat the tree forever.
        bool loop = false;
        for (const PresetFolder* up = this; up && !loop; up = up->parent_)
            loop = up->device_ == info.st_dev && up->inode_ == info.st_ino;
        if (!loop) {
            auto child = std::make_unique<PresetFolder>(extension_);
            child->setPath(childPath);
            child->parent_ = this;
            child->device_ = info.st_dev;
            child->inode_ = info.st_ino;
            subfolders_.push_back(std::move(child));
        }
        inTime = budgetLeft(budgetMs, timer);
    }
    std::sort(subfolders_.begin(), subfolders_.end(), [](const auto& a, const auto& b) {
        if (a->sortFirst_ != b->sortFirst_) return a->sortFirst_;
        if (a->displayName_ != b->displayName_) return caselessLess(a->displayName_, b->displayName_);
        return a->path_ < b->path_;
    });
    return inTime;
}

void PresetFolder::appendFlattened(std::vector<Preset*>& out) {
    // Post-order without recursion: a folder is emitted after all of its subfolders.
    struct Visit {
        PresetFolder* folder;
        std::size_t nextChild;
    };
    std::vector<Visit> stack{{this, 0}};
    while (!stack.empty()) {
        Visit& top = stack.back();
        if (top.nextChild < top.folder->subfolders_.size()) {
            PresetFolder* child = top.folder->subfolders_[top.nextChild++].get();
            stack.push_back({child, 0});
            continue;
        }
        for (Preset& p : top.folder->presets_) out.push_back(&p);
        stack.pop_back();
    }
}
