#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

#include "platform/BinaryDataReader.h"
#include "presets/CollectionPresetLoader.h"
#include "presets/CustomPresetLoader.h"
#include "presets/PresetBytes.h"
#include "support/RangedTestPlugin.h"

// Random and damaged bytes fed to the loaders and the preset-map reader: nothing may crash, read
// out of bounds (the sanitizer build checks), loop for long, or leave a parameter non-finite or
// outside its range; a file whose header does not match must change nothing.
namespace {

class Mutator {
public:
    explicit Mutator(unsigned seed) : rng_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::int32_t anyInt() {
        static const std::int32_t special[] = {0, 1, -1, 2, 3, 8, 9, 255, -2, 0x7fffffff, -0x7fffffff - 1, 1 << 20};
        if (below(2)) return special[below(static_cast<int>(std::size(special)))];
        return static_cast<std::int32_t>(rng_());
    }

    std::string randomBytes(int maxLength) {
        std::string s(static_cast<size_t>(below(maxLength + 1)), '\0');
        for (char& c : s) c = static_cast<char>(below(256));
        return s;
    }

    // Damages a valid file in one or more of several ways.
    std::string damage(std::string s) {
        const int steps = 1 + below(3);
        for (int step = 0; step < steps; ++step) {
            switch (below(5)) {
                case 0:  // cut short
                    s.resize(static_cast<size_t>(below(static_cast<int>(s.size()) + 1)));
                    break;
                case 1:  // flip bytes
                    for (int k = 0; k < 1 + below(4) && !s.empty(); ++k)
                        s[static_cast<size_t>(below(static_cast<int>(s.size())))] ^= static_cast<char>(1 + below(255));
                    break;
                case 2:  // overwrite one aligned int (a count, an id, a value) with a nasty number
                    if (s.size() >= 4) {
                        std::int32_t v = anyInt();
                        size_t at = static_cast<size_t>(below(static_cast<int>(s.size() / 4))) * 4;
                        std::memcpy(&s[at], &v, 4);
                    }
                    break;
                case 3:  // trailing garbage
                    s += randomBytes(24);
                    break;
                default:  // a non-finite value somewhere
                    if (s.size() >= 16) {
                        const float bad[] = {std::nanf(""), INFINITY, -INFINITY};
                        size_t at = 12 + static_cast<size_t>(below(static_cast<int>((s.size() - 12) / 4))) * 4;
                        std::memcpy(&s[at], &bad[below(3)], 4);
                    }
                    break;
            }
        }
        return s;
    }

private:
    std::mt19937 rng_;
};

bool load(PresetLoader& loader, const std::string& bytes, int expectedVersion) {
    std::istringstream in(bytes);
    BinaryDataReader reader(in);
    return loader.load(reader, expectedVersion, "");
}

void expectSane(RangedTestPlugin& plugin, int iteration) {
    for (auto& p : plugin.params) {
        float v = p->getValue();
        ASSERT_TRUE(std::isfinite(v)) << iteration;
        ASSERT_GE(v, p->getMinimum()) << iteration;
        ASSERT_LE(v, p->getMaximum()) << iteration;
    }
}

bool headerMatches(const std::string& bytes, const std::string& magic, std::int32_t version) {
    if (bytes.size() < 8 || bytes.compare(0, 4, magic) != 0) return false;
    std::int32_t v;
    std::memcpy(&v, bytes.data() + 4, 4);
    return v == version;
}

std::string validMap() {
    FileBytes b;
    b.header("PMap", 1).i32(8).i32(6);
    for (std::int32_t id : {0, 1, -1, 4, 5, 2, 3, 6, 7}) b.i32(id);
    return b.str();
}

}  // namespace

TEST(PresetFuzz, DamagedPresetFilesAreHandledSafely) {
    Mutator m(20240611u);
    RangedTestPlugin plugin;
    ParameterCollection all = ParameterCollection::allParameters(plugin);
    const std::string valid = FileBytes().preset("ZKt1", 3, {1, 2, 3, 4, 5, 6, 7, 0}).str();
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string bytes = m.below(4) == 0 ? m.randomBytes(64) : m.damage(valid);
        const std::vector<float> before = plugin.values();

        CollectionPresetLoader collectionLoader(all);
        accepted += load(collectionLoader, bytes, 3);
        expectSane(plugin, i);
        if (!headerMatches(bytes, "ZKt1", 3)) {
            ASSERT_EQ(plugin.values(), before) << i;
        }

        ResourceStore store;
        const std::string map = validMap();
        store.registerCopy("PresetMap_ZKt1_2.zxpresetmap", map.data(), map.size());
        CustomPresetLoader customLoader(plugin, 3, store);
        load(customLoader, bytes, -1);
        expectSane(plugin, i);
    }
    // The mutations must leave enough intact files to exercise the value path.
    EXPECT_GT(accepted, 100);
}

TEST(PresetFuzz, DamagedPresetMapsAreHandledSafely) {
    Mutator m(77u);
    RangedTestPlugin plugin;
    const std::string file = FileBytes().preset("ZKt1", 2, {11, 12, 13, 14, 15, 16}).str();
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        const std::string map = m.below(4) == 0 ? m.randomBytes(64) : m.damage(validMap());
        ResourceStore store;
        store.registerCopy("PresetMap_ZKt1_2.zxpresetmap", map.data(), map.size());
        CustomPresetLoader loader(plugin, 3, store);
        const std::vector<float> before = plugin.values();
        if (!loader.acceptsVersion(2)) {
            ASSERT_EQ(loader.getNumValues(), 0) << i;
            ASSERT_FALSE(load(loader, file, -1)) << i;
            ASSERT_EQ(plugin.values(), before) << i;
            continue;
        }
        ++accepted;
        for (const auto& entry : loader.entries())
            ASSERT_TRUE(entry.parameter == nullptr || entry.parameter == plugin.getParameter(entry.parameter->getId()));
        for (int id : loader.getResetIds()) ASSERT_TRUE(id >= 0 && id < plugin.getNumParameters()) << i;
        load(loader, file, -1);
        expectSane(plugin, i);
    }
    EXPECT_GT(accepted, 50);
}
