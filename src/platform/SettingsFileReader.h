#pragma once
#include <string>

#include "platform/SettingSerializer.h"
#include "platform/SettingsFile.h"

// Reads the settings of one key path ("Software\Maker\Product\2.0") from its per-user settings
// file. A missing file, a missing value or a value of another type gives the default.
class SettingsFileReader : public SettingSerializer {
public:
    // `path` is the settings file (PlatformPaths::settingsFile); empty reads nothing.
    explicit SettingsFileReader(const std::string& path);

    bool isWriting() const override { return false; }
    void binaryValue(const std::string& name, std::vector<std::uint8_t>& bytes) override;
    int intValue(const std::string& name, int current, int defaultValue) override;
    std::string stringValue(const std::string& name, const std::string& current,
                            const std::string& defaultValue) override;

private:
    SettingsFile file_;
};
