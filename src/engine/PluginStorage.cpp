#include "engine/PluginStorage.h"

#include <mutex>

namespace {

std::mutex storageMutex;
PluginStorage::Mode storageMode = PluginStorage::Mode::Off;
PlatformPaths::Lookup storageLookup;
int users = 0;

}  // namespace

bool PluginStorage::configure(Mode mode, PlatformPaths::Lookup lookup) {
    std::lock_guard<std::mutex> lock(storageMutex);
    if (users != 0) return false;
    storageMode = mode;
    storageLookup = std::move(lookup);
    return true;
}

PluginStorage::Mode PluginStorage::mode() {
    std::lock_guard<std::mutex> lock(storageMutex);
    return storageMode;
}

GlobalSettings PluginStorage::settingsFor(const std::string& productName, int majorVersion) {
    std::lock_guard<std::mutex> lock(storageMutex);
    PlatformPaths::Lookup lookup = storageLookup ? storageLookup : PlatformPaths::systemLookup();
    return GlobalSettings(productName, majorVersion, lookup);
}

void PluginStorage::acquire() {
    std::lock_guard<std::mutex> lock(storageMutex);
    ++users;
}

void PluginStorage::release() {
    std::lock_guard<std::mutex> lock(storageMutex);
    if (users > 0) --users;
}
