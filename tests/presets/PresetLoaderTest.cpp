#include <gtest/gtest.h>

#include <sys/resource.h>

#include <bit>
#include <csignal>
#include <cstring>
#include <limits>
#include <sstream>

#include "platform/BinaryDataReader.h"
#include "presets/CollectionFile.h"
#include "presets/CollectionPresetLoader.h"
#include "presets/CustomPresetLoader.h"
#include "presets/PresetBytes.h"
#include "support/RangedTestPlugin.h"

namespace {

struct Recorder : GenericPlugin::Listener {
    void pluginNotification(int code, int value) override { events.push_back({code, value}); }
    std::vector<std::pair<int, int>> events;
};

bool loadBytes(PresetLoader& loader, const std::string& bytes, int expectedVersion, const std::string& magic = "") {
    std::istringstream in(bytes);
    BinaryDataReader reader(in);
    return loader.load(reader, expectedVersion, magic);
}

// Moves every parameter off its default so defaults given by a load are visible.
void scramble(RangedTestPlugin& plugin) {
    for (int i = 0; i < static_cast<int>(plugin.params.size()); ++i) plugin.param(i).setValue(5.0f + i, 0);
}

int totalSets(RangedTestPlugin& plugin) {
    int n = 0;
    for (auto& p : plugin.params) n += p->setCount;
    return n;
}

}  // namespace

TEST(CollectionFiles, WriteAndReadBackIsBitIdenticalAndLeavesNoTemporaryFile) {
    ScratchFolder folder;
    RangedTestPlugin plugin;
    const float values[] = {1.0f / 3.0f, -10.0f, 100.0f + 2, 3.0f, 1e-30f, 7.1234567f, -3.3333333f, 7.0f};
    for (int i = 0; i < 8; ++i) plugin.param(i).setValue(values[i], 0);
    const std::vector<float> saved = plugin.values();
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    const std::string path = folder.file("State.zxp");
    ASSERT_TRUE(writeCollection(all, path, 2));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"State.zxp"});
    EXPECT_EQ(ScratchFolder::read(path), FileBytes().preset("ZKt1", 2, saved).str());

    scramble(plugin);
    ASSERT_TRUE(loadCollection(all, path, 2));
    std::vector<float> loaded = plugin.values();
    EXPECT_EQ(std::memcmp(loaded.data(), saved.data(), saved.size() * sizeof(float)), 0);

    // Overwriting an existing file replaces it whole.
    plugin.param(0).setValue(42.0f, 0);
    ASSERT_TRUE(writeCollection(all, path, 2));
    EXPECT_EQ(ScratchFolder::read(path), FileBytes().preset("ZKt1", 2, plugin.values()).str());
    EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(CollectionFiles, FailedWriteKeepsTheOldFile) {
    ScratchFolder folder;
    RangedTestPlugin plugin(64);
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    const std::string path = folder.file("Good.zxp");
    ASSERT_TRUE(writeCollection(all, path, 2));
    const std::string good = ScratchFolder::read(path);

    // Let no file grow past 100 bytes: the 8 + 4 + 256 byte state cannot be written.
    scramble(plugin);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeCollection(all, path, 2);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ScratchFolder::read(path), good);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"Good.zxp"});

    // A path that cannot be replaced by a file fails too, and leaves nothing behind.
    std::filesystem::create_directory(folder.file("Folder.zxp"));
    EXPECT_FALSE(writeCollection(all, folder.file("Folder.zxp"), 2));
    EXPECT_FALSE(writeCollection(all, folder.file("missing/x.zxp"), 2));
    EXPECT_EQ(folder.entries().size(), 2u);
}

TEST(PresetLoader, CountDecidesWhichParametersTakeTheirDefaults) {
    RangedTestPlugin plugin;
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);

    scramble(plugin);
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {}).str(), 2));
    EXPECT_EQ(plugin.values(), plugin.defaults());

    // One value short: the last parameter takes its default.
    scramble(plugin);
    std::vector<float> seven = {11, 12, 13, 4, 15, 16, 17};
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, seven).str(), 2));
    std::vector<float> expected = seven;
    expected.push_back(plugin.param(7).getDefaultValue());
    EXPECT_EQ(plugin.values(), expected);

    // More values than parameters: the extras are ignored.
    std::vector<float> ten = {21, 22, 23, 5, 25, 26, 27, 6, 29, 30};
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, ten).str(), 2));
    EXPECT_EQ(plugin.values(), std::vector<float>(ten.begin(), ten.begin() + 8));
}

TEST(PresetLoader, WrongMagicOrVersionTouchesNothing) {
    RangedTestPlugin plugin;
    Recorder recorder;
    plugin.setEditor(&recorder);
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);
    scramble(plugin);
    recorder.events.clear();
    const std::vector<float> before = plugin.values();
    const int setsBefore = totalSets(plugin);
    std::vector<float> v(8, 3.0f);

    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKst", 2, v).str(), 2));
    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 1, v).str(), 2));
    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 2, v).str(), 2, "ZXCM"));
    EXPECT_FALSE(loadBytes(loader, "ZKt", 2));
    EXPECT_EQ(plugin.values(), before);
    EXPECT_EQ(totalSets(plugin), setsBefore);
    EXPECT_TRUE(recorder.events.empty());

    // The override replaces the loader's magic.
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZXCM", 2, v).str(), 2, "ZXCM"));
    plugin.setEditor(nullptr);
}

TEST(PresetLoader, LoadIsOneUpdateBatchWithOneNotification) {
    RangedTestPlugin plugin;
    Recorder recorder;
    plugin.setEditor(&recorder);
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {9, 8, 7, 6, 5, 4, 3, 2}).str(), 2));
    EXPECT_EQ(recorder.events, (std::vector<std::pair<int, int>>{{GenericPlugin::kParameterChanged, -1}}));
    plugin.setEditor(nullptr);
}

TEST(PresetLoader, TruncatedFileKeepsValuesReadAndReportsFailure) {
    RangedTestPlugin plugin;
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);
    std::string full = FileBytes().preset("ZKt1", 2, {31, 32, 33, 1, 35, 36, 37, 0}).str();
    scramble(plugin);
    // Cut in the middle of the fourth value.
    EXPECT_FALSE(loadBytes(loader, full.substr(0, 12 + 3 * 4 + 2), 2));
    std::vector<float> expected = {31, 32, 33};
    for (int i = 3; i < 8; ++i) expected.push_back(plugin.param(i).getDefaultValue());
    EXPECT_EQ(plugin.values(), expected);

    // Cut inside the count: every parameter gets its default, still a failure.
    scramble(plugin);
    EXPECT_FALSE(loadBytes(loader, full.substr(0, 10), 2));
    EXPECT_EQ(plugin.values(), plugin.defaults());
}

TEST(PresetLoader, DamagedCountsNeverOverrunTheData) {
    RangedTestPlugin plugin;
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);

    // A huge count over two real values: they are applied, the rest default, failure reported.
    scramble(plugin);
    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {41, 42}, std::numeric_limits<std::int32_t>::max()).str(), 2));
    EXPECT_EQ(plugin.param(1).getValue(), 42.0f);
    EXPECT_EQ(plugin.param(2).getValue(), plugin.param(2).getDefaultValue());

    // A huge count over complete data is only a larger count.
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, std::vector<float>(8, 4.0f), 1 << 30).str(), 2));

    // A negative count is damage: defaults everywhere and a failure, not an empty success.
    scramble(plugin);
    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {1, 2, 3}, -5).str(), 2));
    EXPECT_EQ(plugin.values(), plugin.defaults());
}

TEST(PresetLoader, NonFiniteValuesBecomeDefaults) {
    RangedTestPlugin plugin;
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    CollectionPresetLoader loader(all);
    scramble(plugin);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> v = {nan, 52, -inf, nan, 55, inf, 57, 1};
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, v).str(), 2));
    std::vector<float> expected = {plugin.param(0).getDefaultValue(), 52, plugin.param(2).getDefaultValue(),
                                   plugin.param(3).getDefaultValue(), 55, plugin.param(5).getDefaultValue(),
                                   57, 1};
    EXPECT_EQ(plugin.values(), expected);
}

TEST(PresetLoader, SectionCollectionUsesItsOwnMagicAndOrder) {
    RangedTestPlugin plugin;
    ParameterCollection section(plugin, "ZKsc");
    section.add(&plugin.param(5));
    section.add(&plugin.param(2));
    CollectionPresetLoader loader(section);
    scramble(plugin);
    const std::vector<float> before = plugin.values();
    EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 1, {61, 62}).str(), 1));
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKsc", 1, {61, 62}).str(), 1));
    std::vector<float> expected = before;
    expected[5] = 61;
    expected[2] = 62;
    EXPECT_EQ(plugin.values(), expected);

    ScratchFolder folder;
    ASSERT_TRUE(writeCollection(section, folder.file("S.filters"), 1));
    EXPECT_EQ(ScratchFolder::read(folder.file("S.filters")), FileBytes().preset("ZKsc", 1, {61, 62}).str());
}

// ---- CustomPresetLoader ----

namespace {

// A map for the 8-parameter plug-in: old file positions -> ids, then ids the old version lacks.
std::string presetMap(std::int32_t current, const std::vector<std::int32_t>& positions,
                      const std::vector<std::int32_t>& resets, const std::string& magic = "PMap") {
    FileBytes b;
    b.header(magic, 1).i32(current).i32(static_cast<std::int32_t>(positions.size()));
    for (auto id : positions) b.i32(id);
    for (auto id : resets) b.i32(id);
    return b.str();
}

const char* kMapName = "PresetMap_ZKt1_2.zxpresetmap";

}  // namespace

TEST(CustomPresetLoader, CurrentVersionMapsEveryParameterAndOtherVersionsNeedAMap) {
    RangedTestPlugin plugin;
    ResourceStore store;
    CustomPresetLoader loader(plugin, 3, store);
    std::vector<float> v = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 3, v).str(), -1));
    EXPECT_EQ(plugin.values(), v);
    EXPECT_EQ(loader.getPreparedVersion(), 3);

    scramble(plugin);
    const std::vector<float> before = plugin.values();
    for (int version : {4, 0, -1, 2}) {
        EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", version, v).str(), -1)) << version;
    }
    EXPECT_EQ(plugin.values(), before);
    EXPECT_EQ(loader.presetMapName(2), kMapName);
}

TEST(CustomPresetLoader, NothingPreparedDoesNotAcceptVersionMinusOne) {
    RangedTestPlugin plugin;
    ResourceStore store;
    CustomPresetLoader loader(plugin, 3, store);
    EXPECT_FALSE(loader.acceptsVersion(-1));
    EXPECT_EQ(loader.getNumValues(), 0);
}

TEST(CustomPresetLoader, PresetMapRoutesOldPositionsAndResetsNewParameters) {
    RangedTestPlugin plugin;
    ResourceStore store;
    // Old version: 6 values; position 2 is gone; parameters 3, 6 and 7 did not exist.
    std::string map = presetMap(8, {0, 1, -1, 4, 5, 2}, {3, 6, 7});
    store.registerCopy(kMapName, map.data(), map.size());
    CustomPresetLoader loader(plugin, 3, store);
    scramble(plugin);
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {71, 72, 99, 74, 75, 76}).str(), -1));
    std::vector<float> expected = {71, 72, 76, plugin.param(3).getDefaultValue(), 74, 75,
                                   plugin.param(6).getDefaultValue(), plugin.param(7).getDefaultValue()};
    EXPECT_EQ(plugin.values(), expected);
    EXPECT_EQ(loader.getResetIds(), (std::vector<int>{3, 6, 7}));

    // The prepared version is kept: a second file of it loads without the map.
    store.unregister(kMapName);
    scramble(plugin);
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {81, 82, 0, 84, 85, 86}).str(), -1));
    EXPECT_EQ(plugin.param(0).getValue(), 81.0f);
    EXPECT_EQ(plugin.param(7).getValue(), plugin.param(7).getDefaultValue());
}

TEST(CustomPresetLoader, MalformedOrMissingMapsAreRejectedWithoutTouchingAnything) {
    const std::vector<std::pair<const char*, std::string>> maps = {
        {"missing", ""},
        {"wrong magic", presetMap(8, {0, 1, 2, 3, 4, 5}, {6, 7}, "PMaq")},
        {"other parameter count", presetMap(9, {0, 1, 2, 3, 4, 5}, {6, 7, 8})},
        {"id past the list", presetMap(8, {0, 1, 2, 3, 4, 8}, {6, 7})},
        {"negative id", presetMap(8, {0, 1, -2, 3, 4, 5}, {6, 7})},
        {"reset id past the list", presetMap(8, {0, 1, 2, 3, 4, 5}, {6, 8})},
        {"reset id negative", presetMap(8, {0, 1, 2, 3, 4, 5}, {6, -1})},
        {"reset list cut short", presetMap(8, {0, 1, 2, 3, 4, 5}, {6})},
        {"more positions than parameters allow", presetMap(8, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1}, {})},
        {"huge position count", FileBytes().header("PMap", 1).i32(8).i32(0x7fffffff).i32(0).i32(1).str()},
        {"negative position count", FileBytes().header("PMap", 1).i32(8).i32(-3).str()},
        {"header only", FileBytes().header("PMap", 1).str()},
    };
    for (const auto& [what, bytes] : maps) {
        RangedTestPlugin plugin;
        ResourceStore store;
        if (!bytes.empty()) store.registerCopy(kMapName, bytes.data(), bytes.size());
        CustomPresetLoader loader(plugin, 3, store);
        scramble(plugin);
        const std::vector<float> before = plugin.values();
        EXPECT_FALSE(loadBytes(loader, FileBytes().preset("ZKt1", 2, {1, 2, 3, 4, 5, 6}).str(), -1)) << what;
        EXPECT_EQ(plugin.values(), before) << what;
        EXPECT_EQ(loader.getPreparedVersion(), -1) << what;
        EXPECT_EQ(loader.getNumValues(), 0) << what;
    }
}

TEST(CustomPresetLoader, CapturedValuesKeepTheirRawBits) {
    RangedTestPlugin plugin;
    CustomPresetLoader loader(plugin);  // fixed table, no version handling
    std::int32_t capturedA = 0, capturedB = 0;
    loader.addEntry(&plugin.param(1));
    loader.addCaptured(&capturedA);
    loader.addSkipped();
    loader.addEntry(&plugin.param(0), &capturedB);
    const float nan = std::bit_cast<float>(0x7fc0beefu);
    scramble(plugin);
    const std::vector<float> before = plugin.values();
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 0, {91, std::bit_cast<float>(123456), 93, nan}).str(), 0));
    EXPECT_EQ(capturedA, 123456);
    EXPECT_EQ(static_cast<std::uint32_t>(capturedB), 0x7fc0beefu);
    EXPECT_EQ(loader.getRawValue(2), std::bit_cast<std::int32_t>(93.0f));
    std::vector<float> expected = before;
    expected[1] = 91;
    expected[0] = plugin.param(0).getDefaultValue();  // NaN is not applied
    EXPECT_EQ(plugin.values(), expected);

    // A short file gives defaults to the table's parameters only.
    scramble(plugin);
    EXPECT_TRUE(loadBytes(loader, FileBytes().preset("ZKt1", 0, {}).str(), 0));
    EXPECT_EQ(plugin.param(1).getValue(), plugin.param(1).getDefaultValue());
    EXPECT_EQ(plugin.param(0).getValue(), plugin.param(0).getDefaultValue());
    EXPECT_EQ(plugin.param(2).getValue(), 7.0f);
}

TEST(CollectionFiles, GenericStateLoadReadsTheCurrentVersion) {
    ScratchFolder folder;
    RangedTestPlugin plugin;
    scramble(plugin);
    const std::vector<float> saved = plugin.values();
    ASSERT_TRUE(writeCollection(ParameterCollection::allParameters(plugin), folder.file("s.zxp"), 2));
    for (auto& p : plugin.params) p->setValue(p->getDefaultValue(), 0);
    EXPECT_TRUE(loadPluginState(plugin, folder.file("s.zxp"), 2));
    EXPECT_EQ(plugin.values(), saved);
    EXPECT_FALSE(loadPluginState(plugin, folder.file("s.zxp"), 3));  // version 2 needs a map then
    EXPECT_FALSE(loadPluginState(plugin, folder.file("absent.zxp"), 2));
}
