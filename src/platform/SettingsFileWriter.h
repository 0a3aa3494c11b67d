#pragma once
#include <string>

#include "platform/SettingSerializer.h"
#include "platform/SettingsFile.h"

// Writes the settings of one key path into its per-user settings file. The values already in the
// file are kept; the values serialized replace theirs. Nothing reaches the disk until commit()
// (or destruction), which replaces the file in one rename. A file that cannot be written is
// skipped silently, as settings are never worth an error for the user.
class SettingsFileWriter : public SettingSerializer {
public:
    explicit SettingsFileWriter(const std::string& path);
    ~SettingsFileWriter() override;

    bool isWriting() const override { return true; }
    void binaryValue(const std::string& name, std::vector<std::uint8_t>& bytes) override;
    int intValue(const std::string& name, int current, int defaultValue) override;
    std::string stringValue(const std::string& name, const std::string& current,
                            const std::string& defaultValue) override;

    // Writes the file when something changed; returns whether the file now holds the values.
    bool commit();

private:
    std::string path_;
    SettingsFile file_;
    bool dirty_ = false;
};
