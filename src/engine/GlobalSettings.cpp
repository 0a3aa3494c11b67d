#include "engine/GlobalSettings.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "platform/SettingsFileReader.h"
#include "platform/SettingsFileWriter.h"

namespace {

std::atomic<int> accelerationOverride{-1};

std::string withSlash(const std::string& folder) {
    if (folder.empty()) return folder;
    return folder.back() == '/' ? folder : folder + "/";
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

GlobalSettings::GlobalSettings(std::string productName, int majorVersion, PlatformPaths::Lookup lookup)
    : productName_(std::move(productName)), majorVersion_(majorVersion), lookup_(std::move(lookup)) {}

std::string GlobalSettings::productKey(int majorVersion) const {
    return std::string(kMakerKey) + "\\" + productName_ + "\\" + std::to_string(majorVersion) + ".0";
}

std::string GlobalSettings::productFolderName() const {
    return majorVersion_ > 1 ? productName_ + " " + std::to_string(majorVersion_) : productName_;
}

std::string GlobalSettings::defaultPresetFolder() const {
    const std::string documents = PlatformPaths::documentsFolder(lookup_);
    if (documents.empty()) return {};
    return withSlash(documents) + kMakerFolder + "/" + productFolderName() + "/";
}

std::string GlobalSettings::applicationDataFolder() const {
    const std::string data = PlatformPaths::dataFolder(lookup_);
    if (data.empty()) return {};
    return withSlash(data) + kMakerFolder + "/" + productFolderName() + "/";
}

void GlobalSettings::serialize(SettingSerializer& s, SharedPluginSettings& shared, PluginSettingsBase* instance) const {
    shared.serialize(s);
    if (instance) instance->serialize(s);
    if (!s.isWriting()) {
        shared.defaultToNoSideChain.set(s.boolValue("VST2_DefaultToNoSideChain", false, false));
    }
    const std::string fallback = defaultPresetFolder();
    std::string folder = shared.presetFolder.get().empty() ? fallback : shared.presetFolder.get();
    folder = s.stringValue("PresetFolder", folder, fallback);
    // An empty stored folder (a damaged file) would put presets into the working folder.
    if (!s.isWriting() && (folder.empty() || (folder != shared.presetFolder.get() && !isFolder(folder))))
        folder = fallback;
    shared.presetFolder.set(folder);
    if (!s.isWriting()) {
        shared.useProToolsShortcuts.set(s.boolValue("UseProToolsShortcuts", true, true));
        shared.helpFileName.set(s.stringValue("HelpFileName", "", ""));
    }
}

void GlobalSettings::load(SharedPluginSettings& shared, PluginSettingsBase* instance) const {
    SettingsFileReader product(settingsFile(productKey()));
    serialize(product, shared, instance);
    SettingsFileReader maker(settingsFile(kMakerKey));
    const int acceleration = maker.intValue("GraphicsAcceleration", -1, -1);
    if (acceleration != -1) accelerationOverride.store(acceleration);
}

void GlobalSettings::loadInstance(PluginSettingsBase& instance) const {
    SettingsFileReader product(settingsFile(productKey()));
    instance.serialize(product);
}

bool GlobalSettings::stored() const {
    std::error_code ec;
    const std::string file = settingsFile(productKey());
    return !file.empty() && std::filesystem::exists(file, ec);
}

bool GlobalSettings::save(SharedPluginSettings& shared, PluginSettingsBase* instance) const {
    SettingsFileWriter writer(settingsFile(productKey()));
    serialize(writer, shared, instance);
    return writer.commit();
}

std::string GlobalSettings::firstGenerationPresetFolder() const {
    SettingsFileReader reader(settingsFile(productKey(1)));
    return reader.stringValue("PresetFolder", "", "");
}

int GlobalSettings::graphicsAccelerationOverride() { return accelerationOverride.load(); }
void GlobalSettings::clearGraphicsAccelerationOverride() { accelerationOverride.store(-1); }
