#include <gtest/gtest.h>

#include <filesystem>

#include "presets/PresetManager.h"
#include "presets/PresetManagers.h"
#include "presets/PresetTree.h"

namespace {

// 130 presets in the main tree: folder "A" with a00..a99, then root r00..r29.
void fillMain(const PresetTree& tree) {
    for (int i = 0; i < 100; ++i) tree.touch("main/A/a" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".zxp");
    for (int i = 0; i < 30; ++i) tree.touch("main/r" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".zxp");
}

}  // namespace

TEST(PresetManagerNumbering, EntriesAreNumberedInFlattenedOrderAcrossBanks) {
    PresetTree tree;
    fillMain(tree);
    tree.touch("old/o1.zxp");
    PresetManager manager(".zxp");
    manager.rescan(tree.root() + "main");
    manager.addExtraFolder(tree.root() + "old", "V1 Preset Folder");
    ASSERT_EQ(manager.flatten().size(), 131u);
    EXPECT_EQ(manager.getMainCount(), 130);

    EXPECT_EQ(manager.flatten()[5]->label, "(0/5) a05");
    const Preset* p129 = manager.flatten()[128];
    EXPECT_EQ(p129->label, "(1/0) r28");
    EXPECT_EQ(manager.presetForProgram(1, 0), p129);
    // The extra folder is numbered after the main tree.
    EXPECT_EQ(manager.flatten()[130]->label, "(1/2) o1");
    EXPECT_EQ(manager.presetForProgram(1, 2)->name, "o1");
    EXPECT_EQ(manager.presetForProgram(1, 3), nullptr);
    EXPECT_EQ(manager.presetForProgram(0, 128), nullptr);
    EXPECT_EQ(manager.presetForProgram(-1, 5), nullptr);
    EXPECT_EQ(manager.presetForProgram(0x3FFF, 127), nullptr);
    EXPECT_EQ(manager.getExtraFolders()[0]->getDisplayName(), "V1 Preset Folder");

    // findByName: the first in flattened order, exact.
    tree.touch("main/A/r05.zxp");
    manager.rescan();
    EXPECT_EQ(manager.findByName("r05")->path, tree.root() + "main/A/r05.zxp");
    EXPECT_EQ(manager.findByName("R05"), nullptr);
    // A rescan keeps the extra folder under its label and sees files added to it.
    tree.touch("old/o2.zxp");
    manager.rescan();
    EXPECT_EQ(manager.getExtraFolders()[0]->getDisplayName(), "V1 Preset Folder");
    EXPECT_EQ(manager.flatten().back()->name, "o2");
}

TEST(PresetManagerStep, WrapsInsideTheMainTreeAndRunsOnFromExtraFolders) {
    PresetTree tree;
    tree.touch("main/A/a.zxp");
    tree.touch("main/b.zxp");
    tree.touch("main/c.zxp");
    tree.touch("old/x.zxp");
    tree.touch("old/y.zxp");
    PresetManager manager(".zxp");
    manager.rescan(tree.root() + "main");
    manager.addExtraFolder(tree.root() + "old", "Old");
    const auto at = [&](const std::string& name) { return manager.findByName(name)->path; };
    const auto step = [&](const std::string& name, int direction) {
        const Preset* p = manager.step(at(name), direction);
        return p ? p->name : std::string("none");
    };
    EXPECT_EQ(step("a", PresetManager::kNext), "b");
    EXPECT_EQ(step("c", PresetManager::kNext), "a");
    EXPECT_EQ(step("a", PresetManager::kPrevious), "c");
    EXPECT_EQ(step("b", PresetManager::kSame), "b");
    EXPECT_EQ(step("x", PresetManager::kNext), "y");
    EXPECT_EQ(step("y", PresetManager::kNext), "a");
    EXPECT_EQ(step("x", PresetManager::kPrevious), "c");
    EXPECT_EQ(manager.step(tree.root() + "elsewhere.zxp", PresetManager::kNext), nullptr);
    EXPECT_EQ(manager.step("", PresetManager::kNext), nullptr);

    PresetManager empty(".zxp");
    empty.rescan(tree.root() + "none");
    EXPECT_EQ(empty.step("", PresetManager::kNext), nullptr);
    EXPECT_TRUE(empty.flatten().empty());
}

TEST(PresetManagerBudget, TheClockComesFromTheFactory) {
    PresetTree tree;
    for (int i = 0; i < 50; ++i) tree.touch(numbered("p", i, ".zxp"));
    int made = 0;
    PresetManager manager(".zxp", [&made] {
        ++made;
        return std::make_unique<SteppingTimer>(100);  // 2500 ms pass in 25 readings
    });
    manager.rescan(tree.root());
    EXPECT_EQ(made, 1);
    EXPECT_GT(manager.flatten().size(), 10u);
    EXPECT_LT(manager.flatten().size(), 25u);
}

TEST(PresetManagerRegistry, CreatesMainAndSectionManagersWithTheirFolders) {
    PresetTree tree;
    tree.touch("main/Component Presets/XLFO/Default.xlfo");
    tree.touch("version1/Old.zxp");
    ASSERT_FALSE(PresetManagers::exists());
    PresetManager& main = PresetManagers::create(tree.root() + "main", tree.root() + "version1");
    tree.touch("main/Lead.zxp");
    main.rescan();
    EXPECT_EQ(PresetManagers::main(), &main);
    EXPECT_EQ(main.findByName("Lead")->path, tree.root() + "main/Lead.zxp");
    EXPECT_TRUE(main.getSubfolders().empty());  // "Component Presets" is not in the main tree
    ASSERT_EQ(main.getExtraFolders().size(), 1u);
    EXPECT_EQ(main.getExtraFolders()[0]->getDisplayName(), "V1 Preset Folder");
    EXPECT_EQ(main.findByName("Old")->label, "(0/1) Old");
    const std::vector<std::string> expected{"Filters", "XLFO", "EG", "EF", "MIDI", "Slots"};
    const std::vector<std::string> extensions{".filters", ".xlfo", ".eg", ".ef", ".midi", ".slots"};
    ASSERT_EQ(PresetManagers::numSections(), 6);
    for (int i = 0; i < 6; ++i) {
        PresetManager* s = PresetManagers::section(i);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->getExtension(), extensions[static_cast<std::size_t>(i)]);
        EXPECT_EQ(s->getPath(), tree.root() + "main/Component Presets/" + expected[static_cast<std::size_t>(i)] + "/");
        EXPECT_TRUE(std::filesystem::is_directory(s->getPath()));
    }
    EXPECT_NE(PresetManagers::section(1)->findByName("Default"), nullptr);
    EXPECT_EQ(PresetManagers::section(6), nullptr);
    // A second create (a later instance) keeps the managers.
    EXPECT_EQ(&PresetManagers::create(tree.root() + "other"), &main);
    PresetManagers::destroy();
    EXPECT_EQ(PresetManagers::main(), nullptr);
    EXPECT_EQ(PresetManagers::numSections(), 0);
}
