#include "presets/CollectionFile.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/BinaryFileReader.h"
#include "platform/BinaryFileWriter.h"
#include "presets/CollectionPresetLoader.h"
#include "presets/CustomPresetLoader.h"

namespace {

// A name beside the target that no other writer picks at the same time.
std::string temporaryPathFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return path + ".tmp" + std::to_string(seed) + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace

bool writeCollection(const ParameterCollection& collection, const std::string& path, int version) {
    const std::string magic = collection.getMagic();
    if (magic.size() < 4) return false;
    const std::string temporary = temporaryPathFor(path);
    bool ok;
    {
        BinaryFileWriter writer(temporary);
        writer.writeHeader(magic, version);
        writer.writeInt(collection.size());
        if (writer.good()) {
            for (AbstractPluginParameter* parameter : collection.parameters()) writer.writeFloat(parameter->getValue());
        }
        ok = writer.close();
    }
    std::error_code error;
    if (ok) {
        std::filesystem::rename(temporary, path, error);
        ok = !error;
    }
    if (!ok) std::filesystem::remove(temporary, error);
    return ok;
}

bool loadCollection(const ParameterCollection& collection, const std::string& path, int version) {
    CollectionPresetLoader loader(collection);
    BinaryFileReader reader(path);
    return loader.load(reader, version, std::string());
}

bool loadPluginState(GenericPlugin& plugin, const std::string& path, int latestVersion) {
    CustomPresetLoader loader(plugin, latestVersion);
    BinaryFileReader reader(path);
    return loader.load(reader, -1, std::string());
}
