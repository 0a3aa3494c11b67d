#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/PosixFileEnumerator.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder with a few presets, folders, a hidden entry and links.
class FileEnumeratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "kestrum-enum-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        root_ = templ;
        for (const char* file : {"Lead.zxp", "Pad.ZXP", "notes.txt", ".hidden.zxp"}) std::ofstream(root_ / file) << "x";
        for (const char* dir : {"Bass", "Keys", ".git", "Odd.zxp"}) fs::create_directory(root_ / dir);
        fs::create_directory_symlink(root_ / "Keys", root_ / "KeysLink");
        fs::create_symlink(root_ / "notes.txt", root_ / "notesLink");
    }
    void TearDown() override { fs::remove_all(root_); }

    static std::vector<std::string> list(const std::string& pattern, bool directoriesOnly) {
        PosixFileEnumerator enumerator(pattern, directoriesOnly);
        std::vector<std::string> names;
        while (enumerator.next()) names.push_back(enumerator.getName());
        EXPECT_FALSE(enumerator.next()) << "an exhausted enumerator stays exhausted";
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string in(const std::string& pattern) const { return (root_ / pattern).string(); }

    fs::path root_;
};

using Names = std::vector<std::string>;

TEST_F(FileEnumeratorTest, MatchesTheFilePartIgnoringCaseAndHidingDotEntries) {
    EXPECT_EQ(list(in("*.zxp"), false), (Names{"Lead.zxp", "Odd.zxp", "Pad.ZXP"}));
    EXPECT_EQ(list(in("*.txt"), false), (Names{"notes.txt"}));
    EXPECT_EQ(list(in("L?ad.*"), false), (Names{"Lead.zxp"}));
    EXPECT_EQ(list(in(".*"), false), (Names{".git", ".hidden.zxp"})) << "'.' and '..' are never listed";
    EXPECT_TRUE(list(in("*.wav"), false).empty());
}

TEST_F(FileEnumeratorTest, DirectoriesOnlyListsFoldersAndLinksToFolders) {
    EXPECT_EQ(list(in("*"), true), (Names{"Bass", "Keys", "KeysLink", "Odd.zxp"}));
    EXPECT_EQ(list(in("*"), false),
              (Names{"Bass", "Keys", "KeysLink", "Lead.zxp", "Odd.zxp", "Pad.ZXP", "notes.txt", "notesLink"}));
}

TEST_F(FileEnumeratorTest, ReportsWhetherTheCurrentEntryIsAFolder) {
    PosixFileEnumerator enumerator(in("*"), false);
    int folders = 0;
    while (enumerator.next()) {
        EXPECT_EQ(enumerator.isDirectory(), fs::is_directory(root_ / enumerator.getName())) << enumerator.getName();
        folders += enumerator.isDirectory();
    }
    EXPECT_EQ(folders, 4);
}

TEST_F(FileEnumeratorTest, MissingOrUnreadableFolderYieldsNothing) {
    EXPECT_TRUE(list(in("missing/*"), false).empty());
    EXPECT_TRUE(list(in("notes.txt/*"), false).empty()) << "a file is not a folder";
    EXPECT_TRUE(list(root_.string() + "/", false).empty()) << "an empty name pattern matches nothing";

    // Only meaningful without root rights, which read any folder.
    std::ofstream(root_ / "Bass" / "x.zxp") << "x";
    fs::permissions(root_ / "Bass", fs::perms::none);
    if (geteuid() != 0) {
        EXPECT_TRUE(list(in("Bass/*"), false).empty());
    }
    fs::permissions(root_ / "Bass", fs::perms::owner_all);
}

TEST(PosixFileEnumerator, PatternWithoutFolderListsTheWorkingFolder) {
    const fs::path previous = fs::current_path();
    std::string templ = (fs::temp_directory_path() / "kestrum-cwd-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    std::ofstream(fs::path(templ) / "a.zxp") << "x";
    fs::current_path(templ);
    PosixFileEnumerator enumerator("*.zxp", false);
    EXPECT_EQ(enumerator.getName(), "");
    ASSERT_TRUE(enumerator.next());
    EXPECT_EQ(enumerator.getName(), "a.zxp");
    EXPECT_FALSE(enumerator.next());
    EXPECT_EQ(enumerator.getName(), "");
    fs::current_path(previous);
    fs::remove_all(templ);
}

}  // namespace
