#pragma once
// Preset folder trees on disk for the preset manager tests, and a stopwatch the test controls.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/IntervalTimer.h"
#include "presets/PresetBytes.h"
#include "presets/PresetManager.h"

// Each reading of the stopwatch advances it by `step` milliseconds, so a budget runs out after a
// known number of entries whatever the machine's speed.
class SteppingTimer final : public IntervalTimer {
public:
    explicit SteppingTimer(std::int64_t step = 1) : step_(step) {}
    void restart() override { now_ = 0; }
    std::int64_t elapsedMs() const override { return now_ += step_; }
    std::int64_t readings() const { return now_ / step_; }

private:
    std::int64_t step_;
    mutable std::int64_t now_ = 0;
};

// A scratch folder with helpers to lay out a tree ("A/B/Lead.zxp").
class PresetTree : public ScratchFolder {
public:
    // The folder path, ending with '/'.
    std::string root() const { return path().string() + "/"; }
    std::string touch(const std::string& relative, const std::string& bytes = "x") const {
        const std::filesystem::path p = path() / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string folder(const std::string& relative) const {
        std::filesystem::create_directories(path() / relative);
        return (path() / relative).string() + "/";
    }
};

// "p7" for ("p", 7), built by appending (GCC 12 warns falsely on literal + temporary string).
inline std::string numbered(const std::string& prefix, int i, const std::string& suffix = "") {
    return std::string(prefix).append(std::to_string(i)).append(suffix);
}

// The names of a flattened list, in order.
inline std::vector<std::string> names(const std::vector<Preset*>& presets) {
    std::vector<std::string> out;
    for (const Preset* p : presets) out.push_back(p->name);
    return out;
}
inline std::vector<std::string> names(const std::vector<Preset>& presets) {
    std::vector<std::string> out;
    for (const Preset& p : presets) out.push_back(p.name);
    return out;
}
