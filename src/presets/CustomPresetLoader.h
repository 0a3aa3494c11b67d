#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "presets/PresetLoader.h"
#include "platform/ResourceStore.h"

// A loader with an explicit position -> parameter table. An entry may name no parameter (the value
// is skipped) and may capture the raw 4 bytes of its value into an int destination, for values
// that older files hold but that no current parameter takes directly.
//
// With a latest version L (not -1) the loader reads every state version it knows: version L maps
// all parameters in id order, older versions 1..L-1 are mapped by a preset map from the resource
// store ("PresetMap_<magic>_<version>.zxpresetmap"), and the parameters an older version lacks are
// reset to their defaults before its values are applied.
class CustomPresetLoader : public PresetLoader {
public:
    struct Entry {
        AbstractPluginParameter* parameter = nullptr;
        std::int32_t* destination = nullptr;
        std::int32_t lastRaw = 0;
    };

    static constexpr std::int32_t kPresetMapSkip = -1;

    explicit CustomPresetLoader(GenericPlugin& plugin, int latestVersion = -1,
                                const ResourceStore& store = ResourceStore::instance())
        : PresetLoader(plugin), latestVersion_(latestVersion), store_(store) {}

    // Table building.
    void addEntry(AbstractPluginParameter* parameter, std::int32_t* destination = nullptr) {
        entries_.push_back({parameter, destination, 0});
    }
    void addSkipped() { addEntry(nullptr); }
    void addCaptured(std::int32_t* destination) { addEntry(nullptr, destination); }
    // Replaces the table with every parameter of the plug-in in id order.
    void setAllParameters();
    void clearEntries() { entries_.clear(); }

    int getNumValues() override { return static_cast<int>(entries_.size()); }
    bool acceptsVersion(int version) override;
    void beginLoad(int version) override;
    void setMissing(int position) override;
    void setValue(int position, float value) override;

    const std::vector<Entry>& entries() const { return entries_; }
    std::int32_t getRawValue(int position) const { return entries_.at(static_cast<size_t>(position)).lastRaw; }
    int getLatestVersion() const { return latestVersion_; }
    int getPreparedVersion() const { return preparedVersion_; }
    const std::vector<int>& getResetIds() const { return resetIds_; }

    // Resource name of the preset map that converts a file of the given version.
    std::string presetMapName(int version);

protected:
    // Reads and checks the preset map for an older version; on success replaces the table and
    // the reset list. A missing or malformed map changes nothing and returns false.
    bool preparePresetMap(int version);

    std::vector<Entry> entries_;
    int latestVersion_;
    int preparedVersion_ = -1;
    std::vector<int> resetIds_;
    const ResourceStore& store_;
};
