#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/IntervalTimer.h"
#include "presets/PresetFolder.h"

// The root of one preset tree (the main presets, or one kind of section preset) with the extra
// folders shown below it, and the flattened, numbered list of all their presets: entry i has bank
// i / 128 and program i % 128. The main tree comes first, then each extra folder in the order
// added, each walked in post-order (a folder's subfolders before its own presets).
//
// Preset pointers handed out stay valid until the next rescan or addExtraFolder.
// Threads: the editor or host thread; not locked.
class PresetManager : public PresetFolder {
public:
    static constexpr std::int64_t kScanBudgetMs = 2500;
    static constexpr int kProgramsPerBank = 128;
    enum Direction { kPrevious = 0, kSame = 1, kNext = 2 };

    // Makes the stopwatch each scan measures its budget with (tests give a fake clock).
    using TimerFactory = std::function<std::unique_ptr<IntervalTimer>()>;

    explicit PresetManager(std::string extension, TimerFactory timers = nullptr);

    // Scans the main tree again at its path (or at `path`), and the extra folders, then numbers.
    void rescan();
    void rescan(const std::string& path);
    // Adds a folder below the main tree, shown as `label`, scanned now; numbers again.
    PresetFolder& addExtraFolder(const std::string& path, const std::string& label);

    const std::vector<std::unique_ptr<PresetFolder>>& getExtraFolders() const { return extraFolders_; }
    // Every preset, numbered, in the order above.
    const std::vector<Preset*>& flatten() const { return flattened_; }
    // How many entries of the flattened list come from the main tree.
    int getMainCount() const { return mainCount_; }

    // The first preset in flattened order whose name equals `name` exactly; nullptr when none.
    const Preset* findByName(const std::string& name) const;
    // Entry bank * 128 + program; nullptr past the end or for negative numbers.
    const Preset* presetForProgram(int bank, int program) const;
    // The neighbour of the preset at `currentPath`; stepping from a main-tree preset wraps inside
    // the main tree, from an extra folder's preset it runs over the whole list. nullptr when the
    // path is not in the list.
    const Preset* step(const std::string& currentPath, int direction) const;

    // Whether `path` is a preset somewhere in the folder's tree.
    static bool contains(const PresetFolder& folder, const std::string& path);

private:
    void scanFolder(PresetFolder& folder, const std::string& path);
    void number();

    TimerFactory timers_;
    std::vector<std::unique_ptr<PresetFolder>> extraFolders_;
    std::vector<Preset*> flattened_;
    int mainCount_ = 0;
};
