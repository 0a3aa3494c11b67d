#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/PlatformPaths.h"

namespace {

PlatformPaths::Lookup environment(std::map<std::string, std::string> values) {
    return [values](const std::string& name) {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    };
}

TEST(PlatformPaths, FallsBackToFoldersUnderHome) {
    const auto env = environment({{"HOME", "/home/ada/"}});
    EXPECT_EQ(PlatformPaths::homeFolder(env), "/home/ada");
    EXPECT_EQ(PlatformPaths::configFolder(env), "/home/ada/.config");
    EXPECT_EQ(PlatformPaths::documentsFolder(env), "/home/ada/Documents");
    EXPECT_EQ(PlatformPaths::dataFolder(env), "/home/ada/.local/share");
}

TEST(PlatformPaths, XdgVariablesWinWhenAbsolute) {
    const auto env = environment({{"HOME", "/home/ada"},
                                  {"XDG_CONFIG_HOME", "/cfg/"},
                                  {"XDG_DOCUMENTS_DIR", "$HOME/Dokumente"},
                                  {"XDG_DATA_HOME", "/data"}});
    EXPECT_EQ(PlatformPaths::configFolder(env), "/cfg");
    EXPECT_EQ(PlatformPaths::documentsFolder(env), "/home/ada/Dokumente");
    EXPECT_EQ(PlatformPaths::dataFolder(env), "/data");

    // Relative values are invalid for base folders and are ignored.
    const auto relative = environment({{"HOME", "/home/ada"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_DATA_HOME", "./d"}, {"XDG_DOCUMENTS_DIR", "Docs"}});
    EXPECT_EQ(PlatformPaths::configFolder(relative), "/home/ada/.config");
    EXPECT_EQ(PlatformPaths::dataFolder(relative), "/home/ada/.local/share");
    EXPECT_EQ(PlatformPaths::documentsFolder(relative), "/home/ada/Documents");
}

TEST(PlatformPaths, NoHomeGivesNoFolderInsteadOfTheRoot) {
    const auto env = environment({});
    EXPECT_EQ(PlatformPaths::configFolder(env), "");
    EXPECT_EQ(PlatformPaths::documentsFolder(env), "");
    EXPECT_EQ(PlatformPaths::settingsFile(env, "Software\\Maker"), "");
    EXPECT_EQ(PlatformPaths::documentsFolder(environment({{"XDG_DOCUMENTS_DIR", "$HOME/Docs"}})), "");
    // An XDG variable alone is enough.
    EXPECT_EQ(PlatformPaths::dataFolder(environment({{"XDG_DATA_HOME", "/d"}})), "/d");
}

TEST(PlatformPaths, SettingsFileMapsTheKeyPathUnderTheConfigFolder) {
    const auto env = environment({{"HOME", "/home/ada"}});
    EXPECT_EQ(PlatformPaths::settingsFile(env, "Software\\Maker\\Product"), "/home/ada/.config/Software/Maker/Product/settings.ini");
    EXPECT_EQ(PlatformPaths::settingsFile(env, "\\Software\\\\Maker\\"), "/home/ada/.config/Software/Maker/settings.ini");
    EXPECT_EQ(PlatformPaths::settingsFile(environment({{"XDG_CONFIG_HOME", "/c"}}), "Software\\Maker"), "/c/Software/Maker/settings.ini");
    EXPECT_EQ(PlatformPaths::settingsFile(env, ""), "");
    EXPECT_EQ(PlatformPaths::settingsFile(env, "Software\\..\\..\\etc"), "") << "must not escape the config folder";
}

TEST(PlatformPaths, ReadsDocumentsFolderFromUserDirsFile) {
    const std::string text =
        "# written by the desktop\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "  XDG_DOCUMENTS_DIR=\"$HOME/Mes Documents\"\n"
        "XDG_DOCUMENTS_DIRX=\"/wrong\"\n";
    EXPECT_EQ(PlatformPaths::userDirFromConfig(text, "XDG_DOCUMENTS_DIR", "/home/ada"), "/home/ada/Mes Documents");
    EXPECT_EQ(PlatformPaths::userDirFromConfig("XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n", "XDG_DOCUMENTS_DIR", "/h"), "/srv/docs");
    EXPECT_EQ(PlatformPaths::userDirFromConfig("XDG_DOCUMENTS_DIR=\"$HOMEX/a\"\n", "XDG_DOCUMENTS_DIR", "/h"), "");
    EXPECT_EQ(PlatformPaths::userDirFromConfig(text, "XDG_MUSIC_DIR", "/home/ada"), "");
}

}  // namespace
