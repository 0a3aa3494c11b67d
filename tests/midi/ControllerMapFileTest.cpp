#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "midi/MidiControllerMap.h"
#include "midi/TempFolder.h"
#include "parameters/MidiVirtualPluginParameter.h"
#include "platform/BinaryMemoryReader.h"
#include "platform/ResourceStore.h"

namespace {

constexpr int kVirtual = MidiVirtualPluginParameter::kFirstId;

std::string mapPath(const TempFolder& folder) { return folder.path + "/" + MidiControllerMap::kFileName; }

void putInt(std::string& bytes, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((u >> shift) & 0xFF));
}

// A map file: magic, version, then the given entries (fewer than 128 makes a short file).
std::string mapFile(const std::vector<int32_t>& entries, const std::string& magic = "ZXCM", int32_t version = 1) {
    std::string bytes = magic;
    putInt(bytes, version);
    for (int32_t e : entries) putInt(bytes, e);
    return bytes;
}

std::vector<int32_t> unassigned() { return std::vector<int32_t>(MidiControllerMap::kControllers, -1); }

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool readBytes(MidiControllerMap& map, const std::string& bytes) {
    BinaryMemoryReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return map.read(reader);
}

// Every entry is unassigned or a valid id, and no id is on two controllers.
::testing::AssertionResult wellFormed(const MidiControllerMap& map) {
    std::set<int> ids;
    for (int c = 0; c < MidiControllerMap::kControllers; ++c) {
        const int id = map.lookup(c);
        if (id == MidiControllerMap::kNone) continue;
        if (!map.isValidId(id)) return ::testing::AssertionFailure() << "controller " << c << " holds " << id;
        if (!ids.insert(id).second) return ::testing::AssertionFailure() << "id " << id << " held twice";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ControllerMapFile, SavedAssignmentsComeBackAndTheLayoutIsFixed) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    MidiControllerMap map;
    map.assign(7, 3);
    map.assign(74, 12);
    map.assign(127, kVirtual + 1);
    ASSERT_TRUE(map.writeMapFile(folder.path + "/sub"));  // a missing folder is created
    ASSERT_TRUE(map.writeMapFile(folder.path));

    std::vector<int32_t> expected = unassigned();
    expected[7] = 3;
    expected[74] = 12;
    expected[127] = kVirtual + 1;
    EXPECT_EQ(readFile(mapPath(folder)), mapFile(expected));

    MidiControllerMap other;
    other.assign(1, 3);
    ASSERT_TRUE(other.readMapFile(folder.path));
    for (int c = 0; c < MidiControllerMap::kControllers; ++c) EXPECT_EQ(other.lookup(c), expected[static_cast<size_t>(c)]) << c;

    // The version is written as 1 but not checked.
    writeFile(mapPath(folder), mapFile(expected, "ZXCM", 99));
    other.clearAll();
    EXPECT_TRUE(other.readMapFile(folder.path));
    EXPECT_EQ(other.lookup(74), 12);
}

TEST(ControllerMapFile, AnotherMagicOrAMissingFileLeavesTheMapAlone) {
    TempFolder folder;
    MidiControllerMap map;
    map.assign(7, 3);
    EXPECT_FALSE(map.readMapFile(folder.path));  // no file yet
    EXPECT_FALSE(map.readMapFile(""));           // no folder known
    std::vector<int32_t> entries = unassigned();
    entries[7] = 9;
    writeFile(mapPath(folder), mapFile(entries, "ZXCN"));
    EXPECT_FALSE(map.readMapFile(folder.path));
    writeFile(mapPath(folder), "ZXC");
    EXPECT_FALSE(map.readMapFile(folder.path));
    writeFile(mapPath(folder), "ZXCM\1\0");  // the version cut short: nothing read
    EXPECT_FALSE(map.readMapFile(folder.path));
    EXPECT_EQ(map.lookup(7), 3);
    EXPECT_EQ(map.controllerFor(9), MidiControllerMap::kNone);
}

TEST(ControllerMapFile, AShortFileKeepsWhatWasReadAndFails) {
    MidiControllerMap map;
    map.assign(2, 50);   // overwritten by the file
    map.assign(60, 51);  // beyond the cut: kept
    map.assign(61, 5);   // beyond the cut, but the file gives 5 to controller 3: the file wins
    std::string bytes = mapFile({10, 11, 12, 5});
    bytes += "\x07\x00";  // half an entry is not an entry
    EXPECT_FALSE(readBytes(map, bytes));
    EXPECT_EQ(map.lookup(0), 10);
    EXPECT_EQ(map.lookup(2), 12);
    EXPECT_EQ(map.lookup(3), 5);
    EXPECT_EQ(map.lookup(4), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(60), 51);
    EXPECT_EQ(map.lookup(61), MidiControllerMap::kNone);
    EXPECT_TRUE(wellFormed(map));
}

TEST(ControllerMapFile, InvalidAndRepeatedIdsNeverReachTheMap) {
    MidiControllerMap map;
    map.setValidIds(20, 2);
    std::vector<int32_t> entries = unassigned();
    entries[0] = -5;
    entries[1] = 20;           // one past the host parameters
    entries[2] = 0x7FFFFFFF;
    entries[3] = kVirtual + 2;  // one past the virtual parameters
    entries[4] = kVirtual + 1;
    entries[5] = 19;
    entries[6] = 4;
    entries[9] = 4;  // the same id again: the first controller keeps it
    entries[10] = INT32_MIN;
    EXPECT_TRUE(readBytes(map, mapFile(entries)));
    for (int c : {0, 1, 2, 3, 9, 10}) EXPECT_EQ(map.lookup(c), MidiControllerMap::kNone) << c;
    EXPECT_EQ(map.lookup(4), kVirtual + 1);
    EXPECT_EQ(map.lookup(5), 19);
    EXPECT_EQ(map.lookup(6), 4);
    EXPECT_TRUE(wellFormed(map));

    map.assign(11, 25);  // learning an id that does not exist changes nothing
    map.assign(12, -3);
    EXPECT_EQ(map.lookup(11), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(12), MidiControllerMap::kNone);
    map.setValidIds(10, 0);  // fewer parameters: their controllers are freed
    EXPECT_EQ(map.lookup(4), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(5), MidiControllerMap::kNone);
    EXPECT_EQ(map.lookup(6), 4);
}

TEST(ControllerMapFile, AFailedWriteKeepsTheSavedFile) {
    TempFolder folder;
    MidiControllerMap map;
    map.assign(7, 3);
    ASSERT_TRUE(map.writeMapFile(folder.path));
    const std::string saved = readFile(mapPath(folder));

    // A file size limit below the map's size makes every write of it fail half-way.
    map.assign(8, 4);
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = map.writeMapFile(folder.path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(readFile(mapPath(folder)), saved);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1);  // no temporary left

    // A folder that is a file cannot take the map either.
    EXPECT_FALSE(map.writeMapFile(mapPath(folder)));
    EXPECT_FALSE(map.writeMapFile(""));
}

TEST(ControllerMapFile, TheDefaultMapComesFromTheResourceWhenThereIsOne) {
    ResourceStore store;
    MidiControllerMap map;
    map.assign(7, 3);
    EXPECT_FALSE(map.installDefaultMap(store));
    EXPECT_EQ(map.lookup(7), MidiControllerMap::kNone);

    std::vector<int32_t> entries = unassigned();
    entries[1] = 2;
    entries[11] = kVirtual;
    store.registerCopy("midicontrollermap.ZXM", mapFile(entries).data(), mapFile(entries).size());
    map.assign(7, 3);
    EXPECT_TRUE(map.installDefaultMap(store));
    EXPECT_EQ(map.lookup(1), 2);
    EXPECT_EQ(map.lookup(11), kVirtual);
    EXPECT_EQ(map.lookup(7), MidiControllerMap::kNone);
}

// Random bytes, truncated files, flipped bits and valid headers with random entries: the reader
// never crashes, the map stays well formed and lookups only ever give valid ids.
TEST(ControllerMapFile, FuzzedFilesKeepTheMapWellFormed) {
    std::mt19937 random(20261209);
    MidiControllerMap map;
    map.setValidIds(300, 2);
    std::vector<int32_t> valid = unassigned();
    for (int c = 0; c < 128; c += 3) valid[static_cast<size_t>(c)] = c * 2;
    const std::string good = mapFile(valid);
    auto randomId = [&]() -> int32_t {
        switch (random() % 6) {
            case 0: return -1;
            case 1: return static_cast<int32_t>(random() % 310);  // mostly valid, some just past the end
            case 2: return kVirtual + static_cast<int32_t>(random() % 4);
            case 3: return static_cast<int32_t>(random() % 8);  // many repeats
            default: return static_cast<int32_t>(random());
        }
    };
    for (int round = 0; round < 100000; ++round) {
        std::string bytes;
        switch (round % 4) {
            case 0: {
                bytes.resize(random() % 600);
                for (char& b : bytes) b = static_cast<char>(random());
                if (random() % 2) bytes.replace(0, std::min<size_t>(4, bytes.size()), "ZXCM");
                break;
            }
            case 1: bytes = good.substr(0, random() % (good.size() + 1)); break;
            case 2: {
                bytes = good;
                for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
                    bytes[random() % bytes.size()] ^= static_cast<char>(1 << (random() % 8));
                }
                break;
            }
            default: {
                std::vector<int32_t> entries(random() % 140);
                for (int32_t& e : entries) e = randomId();
                bytes = mapFile(entries);
                break;
            }
        }
        readBytes(map, bytes);
        ASSERT_TRUE(wellFormed(map)) << "round " << round;
    }
}
