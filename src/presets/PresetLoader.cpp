#include "presets/PresetLoader.h"

#include <algorithm>
#include <cmath>

bool PresetLoader::load(BinaryDataReader& reader, int expectedVersion, const std::string& magicOverride) {
    const std::string magic = readHeader(reader);
    const int version = reader.getVersion();
    if (!reader.good()) return false;
    const std::string expectedMagic = magicOverride.empty() ? getMagic(version) : magicOverride;
    if (magic != expectedMagic) return false;
    if (expectedVersion == -1) {
        if (!acceptsVersion(version)) return false;
    } else if (version != expectedVersion) {
        return false;
    }

    plugin_.beginUpdate();
    beginLoad(version);
    const int expected = std::max(0, getNumValues());
    const int count = reader.readInt();
    // The count is only a promise: values are read one at a time and reading stops at the end of
    // the data, so a huge count costs nothing. A negative count is damage, not "no values".
    bool damaged = count < 0;
    const int present = std::clamp(count, 0, expected);
    int position = 0;
    for (; position < present; ++position) {
        const float value = reader.readFloat();
        if (!reader.good()) break;
        setValue(position, value);
    }
    for (; position < expected; ++position) setMissing(position);
    endLoad(version);
    plugin_.endUpdate();
    return reader.good() && !damaged;
}

void PresetLoader::applyStored(AbstractPluginParameter* parameter, float value) {
    if (!parameter) return;
    if (std::isfinite(value))
        parameter->setValue(value, 0);
    else
        applyDefault(parameter);
}

void PresetLoader::applyDefault(AbstractPluginParameter* parameter) {
    if (parameter) parameter->setValue(parameter->getDefaultValue(), 0);
}
