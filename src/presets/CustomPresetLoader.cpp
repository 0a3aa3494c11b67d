#include "presets/CustomPresetLoader.h"

#include <cstring>

#include "platform/BinaryResourceReader.h"

void CustomPresetLoader::setAllParameters() {
    entries_.clear();
    const int n = plugin_.getNumParameters();
    for (int i = 0; i < n; ++i) addEntry(plugin_.getParameter(i));
}

bool CustomPresetLoader::acceptsVersion(int version) {
    if (latestVersion_ == -1) return true;
    // preparedVersion -1 means nothing is prepared; a file claiming version -1 must not be taken
    // with an empty table.
    if (preparedVersion_ != -1 && version == preparedVersion_) return true;
    if (version <= 0 || version > latestVersion_) return false;
    if (version == latestVersion_) {
        setAllParameters();
        resetIds_.clear();
        preparedVersion_ = version;
        return true;
    }
    return preparePresetMap(version);
}

void CustomPresetLoader::beginLoad(int /*version*/) {
    if (latestVersion_ == -1) return;
    for (int id : resetIds_) applyDefault(plugin_.getParameter(id));
}

void CustomPresetLoader::setMissing(int position) {
    applyDefault(entries_[static_cast<size_t>(position)].parameter);
}

void CustomPresetLoader::setValue(int position, float value) {
    Entry& entry = entries_[static_cast<size_t>(position)];
    applyStored(entry.parameter, value);
    std::int32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    entry.lastRaw = raw;
    if (entry.destination) *entry.destination = raw;
}

std::string CustomPresetLoader::presetMapName(int version) {
    return "PresetMap_" + getMagic(latestVersion_) + "_" + std::to_string(version) + ".zxpresetmap";
}

bool CustomPresetLoader::preparePresetMap(int version) {
    const std::string name = presetMapName(version);
    std::optional<ResourceStore::Resource> map = store_.find(name);
    if (!map) return false;
    BinaryResourceReader reader(std::move(*map));
    if (readHeader(reader) != "PMap") return false;

    const int numParameters = plugin_.getNumParameters();
    const std::int32_t current = reader.readInt();
    const std::int32_t positions = reader.readInt();
    if (!reader.good() || current != numParameters || positions < 0) return false;

    // Ids are read one at a time; the vectors grow only with data that is really there.
    std::vector<int> positionIds;
    int skipped = 0;
    for (std::int32_t i = 0; i < positions; ++i) {
        const std::int32_t id = reader.readInt();
        if (!reader.good()) return false;
        if (id == kPresetMapSkip) {
            ++skipped;
        } else if (id < 0 || id >= numParameters) {
            return false;
        }
        positionIds.push_back(id);
    }
    // Parameters the old version lacks; their number follows from the counts above.
    const std::int64_t resetCount = static_cast<std::int64_t>(skipped) + current - positions;
    if (resetCount < 0) return false;
    std::vector<int> resets;
    for (std::int64_t i = 0; i < resetCount; ++i) {
        const std::int32_t id = reader.readInt();
        if (!reader.good() || id < 0 || id >= numParameters) return false;
        resets.push_back(id);
    }
    if (positions + resetCount - skipped != numParameters) return false;

    entries_.clear();
    for (int id : positionIds) addEntry(id == kPresetMapSkip ? nullptr : plugin_.getParameter(id));
    resetIds_ = std::move(resets);
    preparedVersion_ = version;
    return true;
}
