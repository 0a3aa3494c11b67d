#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "presets/PresetFolder.h"
#include "presets/PresetMenu.h"
#include "presets/PresetTree.h"

namespace {

std::vector<std::string> folderNames(const PresetFolder& folder) {
    std::vector<std::string> out;
    for (const auto& f : folder.getSubfolders()) out.push_back(f->getDisplayName());
    return out;
}

std::vector<std::string> flattened(PresetFolder& folder) {
    std::vector<Preset*> list;
    folder.appendFlattened(list);
    return names(list);
}

}  // namespace

TEST(PresetFolderScan, SortsFoldersWithLeadingUnderscoreFirstAndIgnoresCase) {
    PresetTree tree;
    tree.touch("Arp & Sequence/Arp.zxp");
    tree.touch("_Best of/Best.zxp");
    tree.touch("bass/B.zxp");
    tree.touch("Drums/D.zxp");
    tree.touch("zeta.zxp");
    tree.touch("Alpha.zxp");
    tree.touch("beta.zxp");
    PresetFolder folder(".zxp");
    folder.scan(tree.root(), 2500);
    EXPECT_EQ(folderNames(folder), (std::vector<std::string>{"Best of", "Arp & Sequence", "bass", "Drums"}));
    EXPECT_TRUE(folder.getSubfolders()[0]->isSortFirst());
    EXPECT_EQ(names(folder.getPresets()), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
    EXPECT_EQ(folder.getPath(), tree.root());
    EXPECT_EQ(folder.getSubfolders()[1]->getPath(), tree.root() + "Arp & Sequence/");
}

TEST(PresetFolderScan, FlattensInPostOrder) {
    PresetTree tree;
    tree.touch("A/A1/a1.zxp");
    tree.touch("A/a.zxp");
    tree.touch("B/B1/b1.zxp");
    tree.touch("B/b.zxp");
    tree.touch("r.zxp");
    PresetFolder folder(".zxp");
    folder.scan(tree.root(), 2500);
    EXPECT_EQ(flattened(folder), (std::vector<std::string>{"a1", "a", "b1", "b", "r"}));
}

TEST(PresetFolderScan, OddNamesAreHandledAndOnlyRegularFilesArePresets) {
    PresetTree tree;
    tree.touch("My Lead.zxp");
    tree.touch("Ünïcode Pad.zxp");
    tree.touch("v1.2 Bass.zxp");
    tree.touch("Upper.ZXP");
    tree.touch("x.zxp.zxp");
    tree.touch(".zxp");
    tree.touch("Lead.zxp.bak");
    tree.touch("notes.txt");
    tree.touch("Folder.zxp/Inside.zxp");  // a folder named like a preset is a folder
    ASSERT_EQ(mkfifo(tree.file("Pipe.zxp").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/nonexistent/none.zxp", tree.file("Gone.zxp").c_str()), 0);
    ASSERT_EQ(symlink(tree.file("My Lead.zxp").c_str(), tree.file("Linked.zxp").c_str()), 0);
    // Same name but for case: the order is the bytes' order, never the directory's.
    tree.touch("same.zxp");
    tree.touch("Same.zxp");

    PresetFolder folder(".zxp");
    folder.scan(tree.root(), 2500);
    EXPECT_EQ(names(folder.getPresets()), (std::vector<std::string>{"Linked", "My Lead", "Same", "same", "Upper",
                                                                    "v1.2 Bass", "x.zxp", "Ünïcode Pad"}));
    ASSERT_EQ(folderNames(folder), std::vector<std::string>{"Folder.zxp"});
    EXPECT_EQ(names(folder.getSubfolders()[0]->getPresets()), std::vector<std::string>{"Inside"});
    EXPECT_EQ(folder.getPresets()[4].path, tree.file("Upper.ZXP"));
}

TEST(PresetFolderScan, MissingEmptyOrUnreadableFoldersGiveEmptyTrees) {
    PresetTree tree;
    PresetFolder folder(".zxp");
    folder.scan(tree.root() + "missing", 2500);
    EXPECT_TRUE(folder.getPresets().empty());
    EXPECT_EQ(folder.getPath(), tree.root() + "missing/");
    EXPECT_EQ(folder.getDisplayName(), "missing");

    // An empty path never becomes the file system's root.
    folder.scan("", 2500);
    EXPECT_EQ(folder.getPath(), "");
    EXPECT_TRUE(folder.getSubfolders().empty());

    tree.touch("Lead.zxp");
    folder.scan(tree.root(), 0);  // no budget: nothing is read
    EXPECT_TRUE(folder.getPresets().empty());

    const std::string locked = tree.folder("Locked");
    tree.touch("Locked/Hidden.zxp");
    tree.touch("Open/Seen.zxp");
    chmod(locked.c_str(), 0);
    folder.scan(tree.root(), 2500);
    chmod(locked.c_str(), 0755);
    if (geteuid() == 0) GTEST_SKIP() << "running as root: permission bits do not keep folders unreadable";
    EXPECT_EQ(flattened(folder), (std::vector<std::string>{"Seen", "Lead"}));
    ASSERT_EQ(folderNames(folder), (std::vector<std::string>{"Locked", "Open"}));
}

TEST(PresetFolderScan, FolderLinksBackUpTheTreeAreNotFollowed) {
    PresetTree tree;
    tree.touch("A/a.zxp");
    tree.touch("B/b.zxp");
    tree.touch("r.zxp");
    ASSERT_EQ(symlink(tree.root().c_str(), tree.file("A/ToRoot").c_str()), 0);
    ASSERT_EQ(symlink(".", tree.file("A/Self").c_str()), 0);
    ASSERT_EQ(symlink(tree.file("B").c_str(), tree.file("LinkToB").c_str()), 0);  // an alias, not a loop
    PresetFolder folder(".zxp");
    folder.scan(tree.root(), 2500);
    EXPECT_EQ(flattened(folder), (std::vector<std::string>{"a", "b", "b", "r"}));
    EXPECT_EQ(folderNames(folder), (std::vector<std::string>{"A", "B", "LinkToB"}));
    EXPECT_TRUE(folder.getSubfolders()[0]->getSubfolders().empty());
}

TEST(PresetFolderBudget, FoldersNotReachedInTimeStayEmpty) {
    PresetTree tree;
    for (int i = 0; i < 10; ++i) tree.touch(numbered("F", i) + numbered("/p", i, ".zxp"));
    PresetFolder folder(".zxp");
    SteppingTimer timer;
    folder.scan(tree.root(), 20, timer);
    // Every folder is still listed (the root's listing fitted), but the later ones were not read.
    ASSERT_EQ(folder.getSubfolders().size(), 10u);
    EXPECT_FALSE(folder.getSubfolders()[0]->getPresets().empty());
    EXPECT_TRUE(folder.getSubfolders()[9]->getPresets().empty());
    const std::vector<std::string> list = flattened(folder);
    EXPECT_GT(list.size(), 0u);
    EXPECT_LT(list.size(), 10u);
    // The ones read are the first in sorted order.
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i], numbered("p", static_cast<int>(i)));
}

TEST(PresetFolderBudget, OneHugeFolderStopsWhenTheBudgetRunsOut) {
    PresetTree tree;
    for (int i = 0; i < 2000; ++i) tree.touch(numbered("p", i, ".zxp"));
    PresetFolder folder(".zxp");
    SteppingTimer timer;
    folder.scan(tree.root(), 100, timer);
    EXPECT_GT(folder.getPresets().size(), 50u);
    EXPECT_LT(folder.getPresets().size(), 101u);
    EXPECT_LT(timer.readings(), 110);

    // With time enough every file is found, sorted.
    const auto start = std::chrono::steady_clock::now();
    folder.scan(tree.root(), 2500);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_EQ(folder.getPresets().size(), 2000u);
    EXPECT_EQ(folder.getPresets()[0].name, "p0");
    EXPECT_EQ(folder.getPresets()[1].name, "p1");
    EXPECT_EQ(folder.getPresets()[2].name, "p10");
    std::printf("scanning 2000 presets took %lld ms\n", static_cast<long long>(ms.count()));
}

namespace {

struct DeepResult {
    std::string path;
    std::string deepest;
    std::size_t flattened = 0;
    int menuItems = 0;
};

void* scanDeepTree(void* arg) {
    auto* result = static_cast<DeepResult*>(arg);
    {
        PresetFolder folder(".zxp");
        folder.scan(result->path, 2500);
        std::vector<Preset*> list;
        folder.appendFlattened(list);
        result->flattened = list.size();
        if (!list.empty()) result->deepest = list.front()->name;
        PresetMenu menu;
        menu.addTree(PresetMenu::kRoot, folder, list.empty() ? "" : list.front()->path, false);
        result->menuItems = menu.size();
    }  // the tree and the menu are freed on the small stack too
    return nullptr;
}

}  // namespace

TEST(PresetFolderScan, AVeryDeepTreeFitsOnASmallStack) {
    PresetTree tree;
    constexpr int kDepth = 600;
    std::string deepest = tree.root();
    for (int i = 0; i < kDepth; ++i) {
        deepest += "d/";
        ASSERT_EQ(mkdir(deepest.c_str(), 0755), 0) << i;
    }
    std::ofstream(deepest + "Deep.zxp") << "x";
    tree.touch("Top.zxp");

    DeepResult result;
    result.path = tree.root();
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 64 * 1024);  // one frame per level would need several times this
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, &scanDeepTree, &result), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(result.flattened, 2u);
    EXPECT_EQ(result.deepest, "Deep");
    EXPECT_EQ(result.menuItems, 1 + kDepth + 2);
}
