#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "presets/ArchiveSupport.h"
#include "presets/ResourceArchive.h"

using namespace archive_test;

namespace {

// A tree like the shipped one, with the awkward cases: an empty folder, an empty file, names with
// blanks, dots and non-ASCII letters, and a file too random to compress.
std::map<std::string, Bytes> sampleTree() {
    Bytes noise(200000);
    std::mt19937 rng(7);
    for (std::uint8_t& b : noise) b = static_cast<std::uint8_t>(rng());
    return {
        {"ApplicationData/Component Presets/EF/Slow Follow.ef", bytesOf("ZK2l ef data")},
        {"ApplicationData/Component Presets/XLFO/Saw.Up.xlfo", bytesOf(std::string(5000, 'x'))},
        {"FactoryPresets/Default Setting.zxp", bytesOf("ZK2l default")},
        {"FactoryPresets/Clean.zxp", Bytes()},
        {"FactoryPresets/Synth/Acid Line.zxp", noise},
        {"FactoryPresets/_Best of/Zw\xC3\xB6lf \xE2\x99\xAA.zxp", bytesOf("unicode")},
        {"FactoryPresets/Arp & Sequence/..dots...zxp", bytesOf("dots")},
    };
}

void writeTree(const fs::path& root, const std::map<std::string, Bytes>& files) {
    for (const auto& [relative, bytes] : files) writeFile(root / relative, bytes);
    fs::create_directories(root / "ApplicationData/Component Presets/Slots");
}

// The files of one branch of the sample tree, with their paths below it.
std::map<std::string, Bytes> branchOf(const std::map<std::string, Bytes>& files, const std::string& branch) {
    std::map<std::string, Bytes> out;
    for (const auto& [relative, bytes] : files)
        if (relative.rfind(branch + "/", 0) == 0) out[relative.substr(branch.size() + 1)] = bytes;
    return out;
}

std::map<std::string, Bytes> filesOnly(const std::map<std::string, Bytes>& all) {
    std::map<std::string, Bytes> out;
    for (const auto& [relative, bytes] : all)
        if (bytes != bytesOf("<dir>")) out[relative] = bytes;
    return out;
}

std::uint32_t uintAt(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

class ArchiveRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        writeTree(work / "tree", files);
        bytes = buildArchive(work / "tree", work.path() / "archive");
        ASSERT_GT(bytes.size(), ArchiveWalker::kHeaderSize);
    }
    TempFolder work;
    std::map<std::string, Bytes> files = sampleTree();
    Bytes bytes;
};

}  // namespace

TEST_F(ArchiveRoundTrip, ExtractsEveryFileAndFolderByteIdentical) {
    const ResourceArchive archive(bytes);
    TempFolder out;
    EXPECT_TRUE(archive.installFactoryContent(out / "appdata", out / "presets", false));

    EXPECT_EQ(filesOnly(snapshot(out / "presets")), branchOf(files, "FactoryPresets"));
    EXPECT_EQ(filesOnly(snapshot(out / "appdata")), branchOf(files, "ApplicationData"));
    EXPECT_TRUE(fs::is_directory(out.path() / "appdata/Component Presets/Slots"));
    EXPECT_TRUE(fs::is_empty(out.path() / "appdata/Component Presets/Slots"));
    EXPECT_EQ(fs::file_size(out.path() / "presets/Clean.zxp"), 0u);
    // The branch folder itself is not recreated below the destination.
    EXPECT_FALSE(fs::exists(out.path() / "presets/FactoryPresets"));
}

TEST_F(ArchiveRoundTrip, ListsAndReadsFilesWithoutExtracting) {
    const ResourceArchive archive(bytes);
    const auto listed = archive.listFiles("FactoryPresets");
    ASSERT_TRUE(listed.has_value());
    const std::map<std::string, Bytes> expected = branchOf(files, "FactoryPresets");
    ASSERT_EQ(listed->size(), expected.size());
    for (const std::string& path : *listed) {
        ASSERT_TRUE(expected.count(path)) << path;
        EXPECT_EQ(archive.readFile("FactoryPresets", path), expected.at(path)) << path;
    }
    EXPECT_EQ(archive.readFile("FactoryPresets", "Synth/Missing.zxp"), std::nullopt);
    EXPECT_EQ(archive.readFile("ApplicationData", "Synth/Acid Line.zxp"), std::nullopt);
    EXPECT_EQ(archive.listFiles("Nowhere"), std::nullopt);
}

TEST_F(ArchiveRoundTrip, HeaderFieldsAndReproducibleOutput) {
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "ZS/ISB/3");
    EXPECT_EQ(uintAt(bytes, 8), bytes.size() - 28);
    EXPECT_EQ(uintAt(bytes, 12), adler32(adler32(0, Z_NULL, 0), bytes.data() + 28, static_cast<uInt>(bytes.size() - 28)));
    EXPECT_EQ(uintAt(bytes, 24), files.size());
    EXPECT_EQ(static_cast<std::int32_t>(uintAt(bytes, 28)), -100);
    EXPECT_EQ(uintAt(bytes, 32), 1u);
    EXPECT_EQ(uintAt(bytes, 36), 1u);
    for (std::size_t i = 40; i < 53; ++i) EXPECT_EQ(bytes[i], 0) << i;

    EXPECT_EQ(buildArchive(work / "tree", work.path() / "again"), bytes);

    // 2000-01-01 00:00 UTC is day 36526 of the OLE calendar; only the date differs.
    ASSERT_EQ(runBuilder(work / "dated", (work.path() / "tree").string(), nullptr, "SOURCE_DATE_EPOCH=946684800"), 0);
    const Bytes dated = readBytes(work.path() / "dated").value_or(Bytes());
    ASSERT_EQ(dated.size(), bytes.size());
    double day = 0;
    std::memcpy(&day, dated.data() + 16, 8);
    EXPECT_DOUBLE_EQ(day, 36526.0);
    EXPECT_TRUE(std::equal(dated.begin() + 24, dated.end(), bytes.begin() + 24));
}

TEST(ArchiveBuilder, RefusesNamesThatDoNotFitOrCannotBeStored) {
    TempFolder work;
    writeFile(work.path() / "tree/FactoryPresets" / std::string(68, 'n'), bytesOf("x"));
    std::string messages;
    EXPECT_NE(runBuilder(work / "archive", work / "tree", &messages), 0);
    EXPECT_NE(messages.find("at most 67"), std::string::npos) << messages;
    EXPECT_FALSE(fs::exists(work.path() / "archive"));

    TempFolder other;
    writeFile(other.path() / "tree/FactoryPresets/back\\slash.zxp", bytesOf("x"));
    EXPECT_NE(runBuilder(other / "archive", other / "tree", &messages), 0);
    EXPECT_NE(messages.find("back\\slash.zxp"), std::string::npos) << messages;

    // 67 bytes is the longest name that fits.
    TempFolder fits;
    writeFile(fits.path() / "tree/FactoryPresets" / std::string(67, 'n'), bytesOf("x"));
    const Bytes bytes = buildArchive(fits / "tree", fits.path() / "archive");
    EXPECT_EQ(ResourceArchive(bytes).listFiles("FactoryPresets"), std::vector<std::string>{std::string(67, 'n')});
}

TEST(ArchiveExtraction, CorruptFileFailsAloneAndLeavesNothingBehind) {
    Bytes badStream = deflated(bytesOf("the middle preset"));
    badStream[badStream.size() / 2] ^= 0x5a;
    const Bytes shortStream = deflated(bytesOf("shorter than it says"));
    const Bytes bytes = archive(dirEntry(
        "FactoryPresets",
        cat({fileEntry("A.zxp", bytesOf("first")),
             cat({head("B.zxp", static_cast<std::int32_t>(badStream.size()), 17), badStream}),
             cat({head("C.zxp", static_cast<std::int32_t>(shortStream.size()), 25), shortStream}),
             cat({head("D.zxp", static_cast<std::int32_t>(shortStream.size()), 10), shortStream}),
             fileEntry("E.zxp", bytesOf("last"))})));
    TempFolder out;
    EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "presets", true));
    // Only the two good files, and no temporary files left next to them.
    EXPECT_EQ(snapshot(out / "presets"),
              (std::map<std::string, Bytes>{{"A.zxp", bytesOf("first")}, {"E.zxp", bytesOf("last")}}));
    EXPECT_EQ(ResourceArchive(bytes).readFile("FactoryPresets", "B.zxp"), std::nullopt);
}

TEST(ArchiveExtraction, FindsTheBranchBySkippingNotByScanning) {
    // A large top-level file whose data holds what looks like the branch: skipping by the size
    // field must pass over it to the real one.
    const Bytes decoy = dirEntry("FactoryPresets", fileEntry("Decoy.zxp", bytesOf("wrong")));
    Bytes payload(1 << 20, 0xa5);
    std::copy(decoy.begin(), decoy.end(), payload.begin());
    const Bytes big = cat({head("Big", static_cast<std::int32_t>(payload.size()), 3), payload});
    const Bytes fileNamedLikeBranch = fileEntry("FactoryPresets", bytesOf("a file, not the branch"));
    const Bytes bytes = archive(cat({big, fileNamedLikeBranch, dirEntry("FactoryPresets", fileEntry("Real.zxp", bytesOf("right")))}));
    TempFolder out;
    EXPECT_TRUE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "p", false));
    EXPECT_EQ(snapshot(out / "p"), (std::map<std::string, Bytes>{{"Real.zxp", bytesOf("right")}}));
}

TEST(ArchiveExtraction, OverwriteDecidesWhetherExistingFilesAreReplaced) {
    const Bytes bytes = archive(dirEntry("FactoryPresets", cat({fileEntry("Default Setting.zxp", bytesOf("factory")),
                                                                 fileEntry("Other.zxp", bytesOf("other"))})));
    const ResourceArchive archive(bytes);
    TempFolder out;
    ASSERT_TRUE(archive.extractBranch("FactoryPresets", out / "p", false));
    writeFile(out.path() / "p/Default Setting.zxp", bytesOf("user edit"));
    fs::remove(out.path() / "p/Other.zxp");

    EXPECT_TRUE(archive.extractBranch("FactoryPresets", out / "p", false));
    EXPECT_EQ(readBytes(out.path() / "p/Default Setting.zxp"), bytesOf("user edit"));
    EXPECT_EQ(readBytes(out.path() / "p/Other.zxp"), bytesOf("other"));

    EXPECT_TRUE(archive.extractBranch("FactoryPresets", out / "p", true));
    EXPECT_EQ(readBytes(out.path() / "p/Default Setting.zxp"), bytesOf("factory"));

    // A folder where a file belongs is never replaced, with or without overwrite.
    fs::remove(out.path() / "p/Other.zxp");
    fs::create_directories(out.path() / "p/Other.zxp/keep");
    EXPECT_FALSE(archive.extractBranch("FactoryPresets", out / "p", true));
    EXPECT_TRUE(fs::is_directory(out.path() / "p/Other.zxp/keep"));
}

TEST(ArchiveExtraction, UnwritablePresetFolderFailsWhileApplicationDataSucceeds) {
    const Bytes bytes = archive(cat({dirEntry("ApplicationData", fileEntry("a.ef", bytesOf("ef"))),
                                     dirEntry("FactoryPresets", fileEntry("p.zxp", bytesOf("p")))}));
    TempFolder out;
    writeFile(out.path() / "plain-file", bytesOf("not a folder"));
    EXPECT_FALSE(ResourceArchive(bytes).installFactoryContent(out / "appdata", out / "plain-file/presets", false));
    EXPECT_EQ(readBytes(out.path() / "appdata/a.ef"), bytesOf("ef"));

    // Without root, a read-only folder must refuse as well (root writes through permission bits).
    if (::geteuid() != 0) {
        fs::create_directories(out.path() / "readonly");
        fs::permissions(out.path() / "readonly", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "readonly", true));
        fs::permissions(out.path() / "readonly", fs::perms::owner_all);
    }
}

TEST(ArchiveExtraction, NoArchiveNoMagicOrNoBranchWritesNothing) {
    const Bytes good = archive(dirEntry("FactoryPresets", fileEntry("p.zxp", bytesOf("p"))));
    Bytes wrongMagic = good;
    wrongMagic[7] = '4';
    ResourceStore emptyStore;
    ResourceStore storeWithWrongMagic;
    storeWithWrongMagic.registerCopy(ResourceArchive::kResourceName, wrongMagic.data(), wrongMagic.size());
    ResourceStore storeWithGood;
    storeWithGood.registerCopy("windowssetupdocs", good.data(), good.size());

    TempFolder out;
    EXPECT_FALSE(ResourceArchive(emptyStore).extractBranch("FactoryPresets", out / "a", true));
    EXPECT_FALSE(ResourceArchive(storeWithWrongMagic).extractBranch("FactoryPresets", out / "b", true));
    EXPECT_FALSE(ResourceArchive(good).extractBranch("ApplicationData", out / "c", true));
    EXPECT_FALSE(ResourceArchive(Bytes(good.begin(), good.begin() + 30)).extractBranch("FactoryPresets", out / "d", true));
    EXPECT_FALSE(ResourceArchive(good).extractBranch("FactoryPresets", "", true));
    EXPECT_TRUE(fs::is_empty(out.path()));

    // The store's look-up ignores case, like every resource name.
    EXPECT_TRUE(ResourceArchive(storeWithGood).extractBranch("FactoryPresets", out / "e", true));
    EXPECT_EQ(readBytes(out.path() / "e/p.zxp"), bytesOf("p"));
}

TEST(ArchiveExtraction, HostileNamesNeverLeaveTheDestination) {
    const Bytes data = bytesOf("evil");
    const Bytes entries = cat({
        fileEntry("..", data),
        fileEntry(".", data),
        fileEntry("../escaped.zxp", data),
        fileEntry("..\\escaped.zxp", data),
        fileEntry("/tmp", data),
        fileEntry(std::string("nul\0byte", 8), data),
        dirEntry("..", fileEntry("escaped.zxp", data)),
        dirEntry("sub/..", fileEntry("escaped.zxp", data)),
        cat({head("long", 4, 4, 68), Bytes{1, 2, 3, 4}}),   // name length beyond the field
        cat({head("huge", 4, 4, 255), Bytes{1, 2, 3, 4}}),
        fileEntry("Kept.zxp", bytesOf("good")),
    });
    const Bytes bytes = archive(dirEntry("FactoryPresets", entries));
    TempFolder out;
    EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "dest", true));
    EXPECT_EQ(snapshot(out.path()), (std::map<std::string, Bytes>{{"dest", bytesOf("<dir>")},
                                                                  {"dest/Kept.zxp", bytesOf("good")}}));
    EXPECT_EQ(ResourceArchive(bytes).listFiles("FactoryPresets"), std::vector<std::string>{"Kept.zxp"});
}

TEST(ArchiveExtraction, HostileSizesAreRefusedWithoutReadingOrReservingTooMuch) {
    const Bytes packed = deflated(bytesOf("payload"));
    const auto k = static_cast<std::int32_t>(packed.size());
    // Each case is a branch holding one damaged entry and then a good file.
    const std::vector<Bytes> damaged = {
        cat({head("negative-length.zxp", k, -7), packed}),
        cat({head("absurd-length.zxp", k, 0x7fffffff), packed}),
        cat({head("over-ratio.zxp", k, k * 1100), packed}),
        cat({head("over-cap.zxp", 70000, 65 << 20), Bytes(70000, 0)}),
    };
    for (const Bytes& entry : damaged) {
        const Bytes bytes = archive(dirEntry("FactoryPresets", cat({entry, fileEntry("Good.zxp", bytesOf("good"))})));
        TempFolder out;
        EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "p", true));
        EXPECT_EQ(snapshot(out / "p"), (std::map<std::string, Bytes>{{"Good.zxp", bytesOf("good")}}));
    }
    // A size that is negative or runs past its list cannot locate what follows: the list ends
    // there, and nothing is read beyond the bytes.
    for (std::int32_t size : {-1, -0x7fffffff - 1, 0x7fffffff, 1000}) {
        const Bytes bytes = archive(dirEntry("FactoryPresets", cat({head("bad.zxp", size, 7), packed})));
        TempFolder out;
        EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "p", true)) << size;
        EXPECT_TRUE(fs::is_empty(out.path() / "p")) << size;
    }
}

TEST(ArchiveExtraction, DeepNestingIsCutOffWithoutExhaustingTheStack) {
    // 20000 nested folders, each size correct, with a file at the bottom: all heads first, then
    // the file, then all terminators.
    constexpr int kLevels = 20000;
    const Bytes bottom = fileEntry("bottom.zxp", bytesOf("deep"));
    const auto headSize = static_cast<std::int32_t>(ArchiveWalker::kHeadSize);
    Bytes nested;
    for (int level = 0; level < kLevels; ++level) {
        const std::int32_t size = static_cast<std::int32_t>(bottom.size()) + headSize + (kLevels - 1 - level) * 2 * headSize;
        const Bytes h = head("d", size, ArchiveWalker::kDirectoryMark);
        nested.insert(nested.end(), h.begin(), h.end());
    }
    nested.insert(nested.end(), bottom.begin(), bottom.end());
    for (int level = 0; level < kLevels; ++level) {
        const Bytes t = terminator();
        nested.insert(nested.end(), t.begin(), t.end());
    }
    const Bytes bytes = archive(dirEntry("FactoryPresets", nested));
    TempFolder out;
    EXPECT_FALSE(ResourceArchive(bytes).extractBranch("FactoryPresets", out / "p", true));
    EXPECT_EQ(ResourceArchive(bytes).listFiles("FactoryPresets"), std::vector<std::string>{});
    int depth = 0;
    for (fs::path p = out.path() / "p/d"; fs::is_directory(p); p /= "d") ++depth;
    EXPECT_EQ(depth, ArchiveWalker::kMaxDepth);
}

TEST(ArchiveExtraction, TheProgramCarriesAFactoryArchiveWithBothBranches) {
    ASSERT_TRUE(ResourceStore::instance().contains(ResourceArchive::kResourceName));
    const ResourceArchive archive;
    EXPECT_TRUE(archive.listFiles(ResourceArchive::kApplicationDataBranch).has_value());
    EXPECT_TRUE(archive.listFiles(ResourceArchive::kFactoryPresetsBranch).has_value());
    TempFolder out;
    EXPECT_TRUE(archive.installFactoryContent(out / "appdata", out / "presets", false));
    EXPECT_TRUE(fs::is_directory(out.path() / "appdata/Component Presets/Slots"));
}
