#include "midi/MidiControllerMap.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "parameters/MidiVirtualPluginParameter.h"
#include <filesystem>

#include "platform/FileSystem.h"
#include "platform/BinaryDataWriter.h"
#include "platform/BinaryFileReader.h"
#include "platform/BinaryMemoryReader.h"
#include "platform/ResourceStore.h"

namespace {
constexpr int kFirstVirtual = MidiVirtualPluginParameter::kFirstId;
}  // namespace

MidiControllerMap::MidiControllerMap() : hostLimit_(kFirstVirtual), virtualLimit_(kDefaultVirtuals) { clearAll(); }

MidiControllerMap& MidiControllerMap::shared() {
    static MidiControllerMap map;
    return map;
}

bool MidiControllerMap::isValidId(int id) const {
    if (id >= 0 && id < kFirstVirtual) return id < hostLimit_.load(std::memory_order_relaxed);
    return id >= kFirstVirtual && id - kFirstVirtual < virtualLimit_.load(std::memory_order_relaxed);
}

int MidiControllerMap::lookup(int controller) const {
    if (controller < 0 || controller >= kControllers) return kNone;
    const int id = entries_[static_cast<size_t>(controller)].load(std::memory_order_relaxed);
    return isValidId(id) ? id : kNone;
}

void MidiControllerMap::assign(int controller, int id) {
    if (controller < -1 || controller >= kControllers) return;
    if (id != kNone && !isValidId(id)) return;
    if (controller != -1 && lookup(controller) == id) return;
    if (id != kNone) clearParameter(id);
    if (controller != -1) entries_[static_cast<size_t>(controller)].store(id, std::memory_order_relaxed);
}

void MidiControllerMap::clearParameter(int id) {
    if (id == kNone) return;
    for (auto& entry : entries_) {
        int expected = id;
        entry.compare_exchange_strong(expected, kNone, std::memory_order_relaxed);
    }
}

void MidiControllerMap::clearAll() {
    for (auto& entry : entries_) entry.store(kNone, std::memory_order_relaxed);
}

int MidiControllerMap::controllerFor(int id) const {
    if (id == kNone) return kNone;
    for (int c = 0; c < kControllers; ++c) {
        if (lookup(c) == id) return c;
    }
    return kNone;
}

void MidiControllerMap::setValidIds(int hostParameters, int virtualParameters) {
    hostLimit_.store(std::clamp(hostParameters, 0, kFirstVirtual), std::memory_order_relaxed);
    virtualLimit_.store(std::max(virtualParameters, 0), std::memory_order_relaxed);
    for (auto& entry : entries_) {
        if (!isValidId(entry.load(std::memory_order_relaxed))) entry.store(kNone, std::memory_order_relaxed);
    }
}

bool MidiControllerMap::read(BinaryDataReader& reader) {
    if (readHeader(reader) != kMagic) return false;
    std::array<int32_t, kControllers> next;
    int count = 0;
    for (; count < kControllers; ++count) {
        const int32_t id = reader.readInt();
        if (!reader.good()) break;
        next[static_cast<size_t>(count)] = isValidId(id) ? id : kNone;
    }
    // Controllers the file did not reach keep their assignments, after those it did reach.
    for (int c = count; c < kControllers; ++c) next[static_cast<size_t>(c)] = lookup(c);
    // Each id stays on the first controller holding it, so the map's invariant survives any file:
    // sorted by (id, controller), every repeat of an id follows its first controller.
    std::array<std::pair<int32_t, int>, kControllers> order;
    for (int c = 0; c < kControllers; ++c) order[static_cast<size_t>(c)] = {next[static_cast<size_t>(c)], c};
    std::sort(order.begin(), order.end());
    for (size_t k = 1; k < order.size(); ++k) {
        if (order[k].first != kNone && order[k].first == order[k - 1].first) next[static_cast<size_t>(order[k].second)] = kNone;
    }
    for (int c = 0; c < kControllers; ++c) {
        entries_[static_cast<size_t>(c)].store(next[static_cast<size_t>(c)], std::memory_order_relaxed);
    }
    return count == kControllers;
}

std::string MidiControllerMap::filePath(const std::string& folder) {
    if (folder.empty()) return {};
    return folder.back() == '/' ? folder + kFileName : folder + "/" + kFileName;
}

bool MidiControllerMap::readMapFile(const std::string& folder) {
    const std::string path = filePath(folder);
    if (path.empty()) return false;
    BinaryFileReader reader(path);
    return reader.isOpen() && read(reader);
}

std::string MidiControllerMap::serialize() const {
    std::ostringstream out;
    BinaryDataWriter writer(out);
    writer.writeHeader(kMagic, kFileVersion);
    for (int c = 0; c < kControllers; ++c) writer.writeInt(lookup(c));
    return writer.good() ? out.str() : std::string();
}

bool MidiControllerMap::writeMapFile(const std::string& folder) const {
    const std::string path = filePath(folder);
    const std::string bytes = serialize();
    if (path.empty() || bytes.empty()) return false;
    // The application-data folder may not exist yet on a first save.
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if (!parent.empty() && !FileSystem::createFolders(parent)) return false;
    return FileSystem::writeAtomically(path, bytes.data(), bytes.size());
}

bool MidiControllerMap::installDefaultMap(const ResourceStore& store) {
    clearAll();
    const auto resource = store.find(kFileName);
    if (!resource || !resource->data) return false;
    BinaryMemoryReader reader(resource->data, resource->size);
    return read(reader);
}

bool MidiControllerMap::installDefaultMap() { return installDefaultMap(ResourceStore::instance()); }
