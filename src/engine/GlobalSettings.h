#pragma once
#include <string>

#include "engine/PluginSettings.h"
#include "platform/PlatformPaths.h"

// Where the settings that outlive an instance live, and the one order in which they are read and
// written: the shared settings, the product's per-instance settings, the read-only side-chain
// default, then the main preset folder; after them the read-only "UseProToolsShortcuts" and
// "HelpFileName". Each key path ("Software\Zelvatrix\Kestrum\2.0") is one per-user settings file.
//
// Also the product's folders: the default preset folder in the documents folder and the
// application-data folder, both "Zelvatrix/<product folder name>/".
//
// Threads: the user-interface or set-up thread; never the audio thread (file I/O).
class GlobalSettings {
public:
    static constexpr const char* kMakerKey = "Software\\Zelvatrix";
    static constexpr const char* kMakerFolder = "Zelvatrix";

    // `productName` "Kestrum", `majorVersion` 2.
    GlobalSettings(std::string productName, int majorVersion, PlatformPaths::Lookup lookup = PlatformPaths::systemLookup());

    // "Software\Zelvatrix\Kestrum\2.0" for major version 2.
    std::string productKey(int majorVersion) const;
    std::string productKey() const { return productKey(majorVersion_); }
    // "Kestrum" for the first major version, "Kestrum 2" after it.
    std::string productFolderName() const;
    // Folders end with '/'; empty when the user has no home folder at all.
    std::string defaultPresetFolder() const;
    std::string applicationDataFolder() const;
    std::string settingsFile(const std::string& keyPath) const { return PlatformPaths::settingsFile(lookup_, keyPath); }

    // Reads every value (missing ones keep their defaults), then the maker key's
    // "GraphicsAcceleration", which when present overrides the product's for the whole process.
    // A stored preset folder that is not an existing folder gives the default preset folder.
    void load(SharedPluginSettings& shared, PluginSettingsBase* instance) const;
    // Reads only the product's per-instance values (for instances after the first).
    void loadInstance(PluginSettingsBase& instance) const;
    // Writes the same values, keeping whatever else the file holds; false when it could not be written.
    bool save(SharedPluginSettings& shared, PluginSettingsBase* instance) const;
    // Whether the product's settings were ever stored: a first start of this version finds none.
    bool stored() const;
    // The first major version's preset folder, read only ("" when none is stored).
    std::string firstGenerationPresetFolder() const;

    // The process-wide graphics acceleration override, -1 when none was found.
    static int graphicsAccelerationOverride();
    static void clearGraphicsAccelerationOverride();

    // The whole sequence in either direction.
    void serialize(SettingSerializer& serializer, SharedPluginSettings& shared, PluginSettingsBase* instance) const;

private:
    std::string productName_;
    int majorVersion_;
    PlatformPaths::Lookup lookup_;
};
