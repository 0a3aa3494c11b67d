#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/IntervalTimer.h"
#include "presets/Preset.h"

// One folder of a preset tree: its sorted subfolders and its sorted preset files.
//
// Scanning walks the tree without recursion, so a tree of any depth fits on a small thread stack,
// and skips a folder link that leads back to a folder above it, so link loops end. Every folder
// lists its own files before its subfolders are visited (shallow folders first, in sorted order),
// and the time budget is checked for each entry read, also inside one huge folder: when it runs
// out, the folders not reached yet stay empty. Only regular files (or links to them) whose names
// end with the extension are presets; a folder named "Pads.zxp" is not one. A folder that does
// not exist or cannot be read gives an empty tree.
//
// Order: folders whose name begins with "_" first (the "_" is not shown), then by display name
// ignoring letter case; presets by name ignoring letter case. Names equal but for case are ordered
// by their exact bytes, so the order never depends on the file system.
//
// Threads: the editor or host thread; not locked.
class PresetFolder {
public:
    explicit PresetFolder(std::string extension);
    virtual ~PresetFolder();
    PresetFolder(const PresetFolder&) = delete;
    PresetFolder& operator=(const PresetFolder&) = delete;

    // Rebuilds the tree below `path` within `budgetMs` milliseconds (nothing when the path is empty
    // or the budget is not positive). The timer is read for the elapsed time; it is not restarted.
    void scan(const std::string& path, std::int64_t budgetMs, const IntervalTimer& timer);
    void scan(const std::string& path, std::int64_t budgetMs);

    const std::string& getExtension() const { return extension_; }
    const std::vector<std::unique_ptr<PresetFolder>>& getSubfolders() const { return subfolders_; }
    const std::string& getDisplayName() const { return displayName_; }
    void setDisplayName(const std::string& name) { displayName_ = name; }
    const std::vector<Preset>& getPresets() const { return presets_; }
    Preset& presetAt(std::size_t index) { return presets_[index]; }
    // The full path, ending with '/' (empty when never scanned or scanned at an empty path).
    const std::string& getPath() const { return path_; }
    bool isSortFirst() const { return sortFirst_; }
    // A subfolder name this folder leaves out of its tree (the section presets' folder inside the
    // main preset folder). Only this folder's own subfolders are compared.
    void setSkippedSubfolder(const std::string& name) { skippedSubfolder_ = name; }

    // Appends the tree's presets in post-order: each subfolder's whole subtree (in sorted order)
    // before the folder's own presets.
    void appendFlattened(std::vector<Preset*>& out);

    // The display rule for a folder name: ("_Best of") gives "Best of" and sortFirst.
    static void displayNameOf(const std::string& name, std::string& displayName, bool& sortFirst);

private:
    void clear();
    // Lists this folder's files and creates (unscanned) children; false when the budget ran out.
    bool listOwnEntries(std::int64_t budgetMs, const IntervalTimer& timer);
    void setPath(const std::string& path);

    std::string extension_;
    std::vector<std::unique_ptr<PresetFolder>> subfolders_;
    std::string displayName_;
    std::vector<Preset> presets_;
    std::string path_;
    bool sortFirst_ = false;
    std::string skippedSubfolder_;
    // Set while scanning: the folder above and this folder's identity, for the link-loop check.
    PresetFolder* parent_ = nullptr;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
