#include "engine/PluginStorage.h"

#include <mutex>

namespace {

std::mutex storageMutex;
PluginStorage::Mode storageMode = PluginStorage::Mode::Off;
PlatformPaths::Lookup storageLookup;
int users = 0;
bool chosen = false;  // configure() was called: a host adapter keeps that choice

}  // namespace

bool PluginStorage::configure(Mode mode, PlatformPaths::Lookup lookup) {
    std::lock_guard<std::mutex> lock(storageMutex);
    if (users != 0) return false;
    storageMode = mode;
    storageLookup = std::move(lookup);
    chosen = true;
    return true;
}

bool PluginStorage::configureForHost() {
    std::lock_guard<std::mutex> lock(storageMutex);
    if (users != 0 || chosen) return false;
    storageMode = Mode::ReadWrite;
    storageLookup = PlatformPaths::systemLookup();
    chosen = true;
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
