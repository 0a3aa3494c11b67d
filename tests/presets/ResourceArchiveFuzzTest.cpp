#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "presets/ArchiveSupport.h"
#include "presets/ResourceArchive.h"
#include "support/FuzzScale.h"

// Damaged archives through the walker, in memory and onto disk: nothing may crash, read outside
// the bytes (the sanitizer build checks), hang, reserve absurd memory, or write outside the
// destination. The sanitizer build runs a tenth of the cases.
using namespace archive_test;

namespace {

using fuzz::kScale;
constexpr int kInMemoryCases = 100000 / kScale;
constexpr int kExtractionCases = 2000 / kScale;

// An archive with both branches, nesting, an empty folder and an empty file.
Bytes seedArchive() {
    const Bytes presets = cat({
        fileEntry("Default Setting.zxp", bytesOf("ZK2l default setting")),
        fileEntry("Clean.zxp", Bytes()),
        dirEntry("Synth", cat({fileEntry("Acid Line.zxp", bytesOf(std::string(300, 'a'))),
                               dirEntry("Deeper", fileEntry("Pad.zxp", bytesOf("pad")))})),
        dirEntry("Empty", Bytes()),
    });
    const Bytes appData = dirEntry("Component Presets", cat({dirEntry("Slots", Bytes()),
                                                             dirEntry("EF", fileEntry("a.ef", bytesOf("ef")))}));
    return archive(cat({dirEntry("ApplicationData", appData), fileEntry("Loose", bytesOf("top-level file")),
                        dirEntry("FactoryPresets", presets)}));
}

// Offsets of every head in a well-formed archive, so the size fields can be targeted.
void collectHeads(const Bytes& b, std::size_t at, std::vector<std::size_t>& heads) {
    while (at + ArchiveWalker::kHeadSize <= b.size()) {
        heads.push_back(at);
        if (b[at] == 0) return;
        std::int32_t size, second;
        std::memcpy(&size, &b[at + 68], 4);
        std::memcpy(&second, &b[at + 72], 4);
        if (second == ArchiveWalker::kDirectoryMark) collectHeads(b, at + ArchiveWalker::kHeadSize, heads);
        at += ArchiveWalker::kHeadSize + static_cast<std::size_t>(size);
    }
}

class Mutator {
public:
    Mutator(unsigned seed, const Bytes& original) : rng_(seed), original_(original) {
        collectHeads(original_, ArchiveWalker::kHeaderSize, heads_);
    }

    std::size_t below(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

    std::int32_t nastyInt(std::int32_t near) {
        static const std::int32_t edgeValues[] = {0, 1, -1, -2, 76, 75, 77, 0x7fffffff, -0x7fffffff - 1, 1 << 26, 1 << 30};
        switch (below(3)) {
            case 0: return edgeValues[below(std::size(edgeValues))];
            case 1: return near + static_cast<std::int32_t>(below(400)) - 200;
            default: return static_cast<std::int32_t>(rng_());
        }
    }

    Bytes next() {
        Bytes b = original_;
        const std::size_t steps = 1 + below(3);
        for (std::size_t step = 0; step < steps; ++step) {
            switch (below(5)) {
                case 0:  // flip bits
                    for (std::size_t k = 0; k < 1 + below(6) && !b.empty(); ++k)
                        b[below(b.size())] ^= static_cast<std::uint8_t>(1u << below(8));
                    break;
                case 1:  // cut short
                    b.resize(below(b.size() + 1));
                    break;
                case 2: {  // insert bytes
                    const std::size_t at = below(b.size() + 1);
                    Bytes extra(1 + below(100));
                    for (std::uint8_t& x : extra) x = static_cast<std::uint8_t>(rng_());
                    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), extra.begin(), extra.end());
                    break;
                }
                case 3: {  // remove bytes
                    if (b.empty()) break;
                    const std::size_t at = below(b.size());
                    const std::size_t n = std::min(b.size() - at, 1 + below(100));
                    b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
                    break;
                }
                default: {  // rewrite a size, length or name-length field of a head
                    const std::size_t h = heads_[below(heads_.size())];
                    const std::size_t field = below(3);
                    if (field == 2) {
                        if (h < b.size()) b[h] = static_cast<std::uint8_t>(rng_());
                        break;
                    }
                    const std::size_t at = h + 68 + 4 * field;
                    if (at + 4 > b.size()) break;
                    std::int32_t old;
                    std::memcpy(&old, &b[at], 4);
                    const std::int32_t v = nastyInt(old);
                    std::memcpy(&b[at], &v, 4);
                }
            }
        }
        return b;
    }

private:
    std::mt19937 rng_;
    const Bytes& original_;
    std::vector<std::size_t> heads_;
};

bool isSafeRelativePath(const std::string& path) {
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        if (!ArchiveWalker::isSafeName(path.substr(start, slash - start))) return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

}  // namespace

TEST(ArchiveFuzz, DamagedArchivesReadInMemoryStaySafe) {
    const Bytes original = seedArchive();
    ASSERT_EQ(ResourceArchive(original).listFiles("FactoryPresets")->size(), 4u);
    Mutator mutator(20261209, original);
    std::size_t filesRead = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kInMemoryCases; ++i) {
        const Bytes damaged = mutator.next();
        const ResourceArchive archive(damaged);
        for (const char* branch : {ResourceArchive::kApplicationDataBranch, ResourceArchive::kFactoryPresetsBranch}) {
            const auto files = archive.listFiles(branch);
            if (!files) continue;
            for (const std::string& path : *files) ASSERT_TRUE(isSafeRelativePath(path)) << "case " << i << ": " << path;
            if (files->empty()) continue;
            const auto contents = archive.readFile(branch, (*files)[mutator.below(files->size())]);
            if (contents) {
                ASSERT_LE(contents->size(), ArchiveWalker::kMaxFileLength);
                ++filesRead;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d damaged archives in memory in %.2f s, %zu files read intact\n", kInMemoryCases, seconds, filesRead);
    EXPECT_GT(filesRead, 0u);  // the damage leaves many files intact, so reading was exercised
}

TEST(ArchiveFuzz, DamagedArchivesExtractOnlyInsideTheDestination) {
    const Bytes original = seedArchive();
    Mutator mutator(424242, original);
    TempFolder work;
    const fs::path destination = work.path() / "dest";
    int completed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kExtractionCases; ++i) {
        const Bytes damaged = mutator.next();
        if (ResourceArchive(damaged).extractBranch("FactoryPresets", destination.string(), i % 2 == 0)) ++completed;
        for (const fs::directory_entry& e : fs::directory_iterator(work.path()))
            ASSERT_EQ(e.path(), destination) << "case " << i << " wrote " << e.path();
        if (fs::exists(destination)) {
            for (const fs::directory_entry& e : fs::recursive_directory_iterator(destination))
                ASSERT_TRUE(isSafeRelativePath(fs::relative(e.path(), destination).string())) << e.path();
        }
        fs::remove_all(destination);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d damaged archives extracted in %.2f s, %d complete\n", kExtractionCases, seconds, completed);
    EXPECT_GT(completed, 0);
}
