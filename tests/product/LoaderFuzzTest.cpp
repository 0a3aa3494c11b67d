#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "presets/CollectionPresetLoader.h"
#include "presets/V1PresetLoader.h"
#include "presets/VersionPresetLoader.h"
#include "product/ProductTestSupport.h"

// Random, cut and damaged files fed to every loader of the product: nothing may crash, read out
// of bounds (the sanitizer build checks) or leave a parameter non-finite or outside its range.
namespace {

class Damage {
public:
    explicit Damage(unsigned seed) : rng_(seed) {}
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string randomBytes(int maxLength) {
        std::string s(static_cast<size_t>(below(maxLength + 1)), '\0');
        for (char& c : s) c = static_cast<char>(below(256));
        return s;
    }

    std::string apply(std::string s) {
        switch (below(4)) {
            case 0:  // cut short
                s.resize(static_cast<size_t>(below(static_cast<int>(s.size()) + 1)));
                break;
            case 1:  // flip some bytes
                for (int k = 0; k < 1 + below(6) && !s.empty(); ++k)
                    s[static_cast<size_t>(below(static_cast<int>(s.size())))] ^= static_cast<char>(1 + below(255));
                break;
            case 2: {  // a nasty number in an aligned word: count, value or version
                static const std::int32_t nasty[] = {0, -1, 1, 0x7fffffff, -0x7fffffff - 1, 0x7fc00000, 0x7f800000,
                                                     static_cast<std::int32_t>(0xff800000)};
                if (s.size() >= 4) {
                    const std::int32_t v = nasty[below(static_cast<int>(std::size(nasty)))];
                    std::memcpy(&s[static_cast<size_t>(below(static_cast<int>(s.size() / 4))) * 4], &v, 4);
                }
                break;
            }
            default:
                s += randomBytes(40);
                break;
        }
        return s;
    }

    float anyValue() {
        switch (below(6)) {
            case 0: return std::numeric_limits<float>::quiet_NaN();
            case 1: return below(2) ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
            case 2: return below(2) ? 1.0e30f : -1.0e30f;
            default: return std::uniform_real_distribution<float>(-50.0f, 50.0f)(rng_);
        }
    }

    std::string validFile(const std::string& magic, int version, int count) {
        std::vector<float> values(static_cast<size_t>(count));
        for (float& v : values) v = anyValue();
        return FileBytes().preset(magic, version, values).str();
    }

private:
    std::mt19937 rng_;
};

void expectSane(KestrumPlugin& plugin, int iteration) {
    for (int i = 0; i < plugin.getNumParameters(); ++i) {
        AbstractPluginParameter* p = plugin.getParameter(i);
        const float v = p->getValue();
        ASSERT_TRUE(std::isfinite(v) && v >= p->getMinimum() && v <= p->getMaximum())
            << p->getName() << " = " << v << " after iteration " << iteration;
    }
    ASSERT_LE(plugin.slots.getActiveCount(), 24);
}

}  // namespace

TEST(ProductLoaderFuzz, DamagedFilesNeverBreakTheState) {
    KestrumPlugin plugin;
    Damage damage(20240613);
    const SectionCollections& sections = plugin.sections();
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::string bytes;
        switch (damage.below(6)) {
            case 0: bytes = damage.randomBytes(64); break;
            case 1: bytes = damage.validFile("ZK2l", 2, damage.below(2) ? 709 : damage.below(800)); break;
            case 2: bytes = damage.validFile("ZK2l", 1, damage.below(2) ? 660 : damage.below(700)); break;
            case 3: bytes = damage.validFile("ZKst", damage.below(2), damage.below(2) ? 59 : damage.below(70)); break;
            case 4: bytes = damage.validFile("ZKst", damage.below(4) - 1, 53); break;
            default: bytes = damage.validFile("ZK2l", 1, damage.below(130)); break;
        }
        if (damage.below(3)) bytes = damage.apply(bytes);

        loadBytes(plugin, bytes);
        expectSane(plugin, iteration);

        // The section loaders read the same bytes into a random instance.
        const auto section = static_cast<SectionCollections::Section>(damage.below(SectionCollections::kNumSections));
        const ParameterCollection* c = sections.get(section, damage.below(sections.getNumInstances(section)));
        ASSERT_NE(c, nullptr);
        CollectionPresetLoader loader(*c);
        StringReader reader(bytes);
        loader.load(reader, SectionCollections::kVersion, std::string());
        expectSane(plugin, iteration);

        // And the older-generation loaders on their own, whatever the version.
        StringReader r1(bytes);
        VersionPresetLoader previous(plugin.presetLayout());
        previous.load(r1, -1, std::string());
        StringReader r2(bytes);
        V1PresetLoader first(plugin.presetLayout(), damage.below(2));
        first.load(r2, -1, std::string());
        expectSane(plugin, iteration);
        if (HasFatalFailure()) return;
    }
}
