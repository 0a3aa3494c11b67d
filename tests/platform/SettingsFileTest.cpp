#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/SettingsFile.h"
#include "platform/SettingsFileReader.h"
#include "platform/SettingsFileWriter.h"

namespace {

struct TempFolder {
    TempFolder() {
        char pattern[] = "/tmp/kestrum-settings-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::string file(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

std::string read(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

}  // namespace

TEST(SettingsFile, EveryTypeRoundTripsThroughTheFileIncludingAwkwardStrings) {
    TempFolder dir;
    const std::string path = dir.file("a/b/settings.ini");  // folders are created
    const std::vector<std::uint8_t> bytes = {0, 1, 0x7f, 0x80, 0xff, '\n', '='};
    {
        SettingsFileWriter w(path);
        EXPECT_EQ(w.intValue("Int", -2147483647 - 1, 0), -2147483647 - 1);
        w.stringValue("Text", "C:\\back\\slash\nnew line\r=equals:colon", "");
        w.stringValue("Empty", "", "x");
        std::vector<std::uint8_t> copy = bytes;
        w.binaryValue("Bytes", copy);
        w.floatValue("Float", 0.1, 0.0);
        w.boolValue("Bool", true, false);
        EXPECT_TRUE(w.commit());
    }
    SettingsFileReader r(path);
    EXPECT_FALSE(r.isWriting());
    EXPECT_EQ(r.intValue("Int", 0, 5), -2147483647 - 1);
    EXPECT_EQ(r.stringValue("Text", "", "default"), "C:\\back\\slash\nnew line\r=equals:colon");
    EXPECT_EQ(r.stringValue("Empty", "", "default"), "");
    std::vector<std::uint8_t> got;
    r.binaryValue("Bytes", got);
    EXPECT_EQ(got, bytes);
    EXPECT_DOUBLE_EQ(r.floatValue("Float", 0.0, 7.0), 0.1);
    EXPECT_TRUE(r.boolValue("Bool", false, false));
    EXPECT_EQ(r.intValue("Missing", 1, 42), 42);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path + "/a/b"))
        EXPECT_EQ(entry.path().filename(), "settings.ini");  // no temporary file left behind
}

// Values of another type, broken lines and a file cut short give defaults for those values only.
TEST(SettingsFile, DamagedOrMistypedValuesGiveDefaultsAndSpareTheOthers) {
    TempFolder dir;
    const std::string path = dir.file("settings.ini");
    write(path,
          "Good=dword:7\n"
          "AsText=sz:12\n"          // an int stored as a string
          "Float=sz:1.5x\n"         // characters after the number
          "Huge=dword:99999999999\n"
          "Junk line without equals\n"
          "BadHex=hex:abc\n"
          "BadEscape=sz:oops\\\n"
          "Other=sz:kept\n"
          "Cut=dwo");               // the last line of a half-written file
    SettingsFileReader r(path);
    EXPECT_EQ(r.intValue("Good", 0, 1), 7);
    EXPECT_EQ(r.intValue("AsText", 0, 3), 3);
    EXPECT_DOUBLE_EQ(r.floatValue("Float", 0.0, 2.5), 2.5);
    EXPECT_EQ(r.intValue("Huge", 0, 4), 4);
    std::vector<std::uint8_t> bytes = {9};
    r.binaryValue("BadHex", bytes);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{9});
    EXPECT_EQ(r.stringValue("BadEscape", "", "d"), "d");
    EXPECT_EQ(r.stringValue("Other", "", "d"), "kept");
    EXPECT_EQ(r.intValue("Cut", 0, 8), 8);

    // Writing one value keeps every other readable value of the file.
    {
        SettingsFileWriter w(path);
        w.intValue("Good", 8, 0);
    }
    SettingsFileReader again(path);
    EXPECT_EQ(again.intValue("Good", 0, 1), 8);
    EXPECT_EQ(again.stringValue("Other", "", "d"), "kept");
    EXPECT_EQ(again.stringValue("AsText", "", "d"), "12");
}

TEST(SettingsFile, MissingOrUnwritableFilesNeverLoseTheOldValues) {
    TempFolder dir;
    SettingsFileReader none(dir.file("nothing/settings.ini"));
    EXPECT_EQ(none.stringValue("PresetFolder", "", "fallback"), "fallback");
    SettingsFileReader unnamed("");
    EXPECT_EQ(unnamed.intValue("X", 0, 3), 3);

    const std::string path = dir.file("ro/settings.ini");
    {
        SettingsFileWriter w(path);
        w.intValue("Value", 1, 0);
    }
    if (geteuid() != 0) {  // root may write anywhere
        chmod((dir.path + "/ro").c_str(), 0500);
        SettingsFileWriter w(path);
        w.intValue("Value", 2, 0);
        EXPECT_FALSE(w.commit());
        chmod((dir.path + "/ro").c_str(), 0700);
        EXPECT_EQ(SettingsFileReader(path).intValue("Value", 0, 0), 1);
    }
    // A name that the file cannot hold is not written, and the others still are.
    SettingsFile f;
    f.set("Bad=Name", {SettingsFile::Type::Dword, "1"});
    f.set("Fine", {SettingsFile::Type::Dword, "2"});
    EXPECT_EQ(f.format(), "Fine=dword:2\n");
    EXPECT_EQ(read(path).find("Value=dword:1"), 0u);
}
