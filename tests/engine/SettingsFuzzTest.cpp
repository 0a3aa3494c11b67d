// Damaged settings files: a file cut short, bytes flipped, lines doubled or mistyped. Reading one
// must never crash or hang, every value keeps within its limits, and a damaged line costs only its
// own value: the other values of the file read as they were stored. The sanitizer build runs a
// tenth of the cases.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/GlobalSettings.h"
#include "engine/InstanceSettings.h"
#include "engine/PluginSettings.h"
#include "platform/SettingsFile.h"
#include "support/FakeHome.h"
#include "support/FuzzScale.h"

namespace {

using fuzz::kScale;


// A file as the product writes it, with a value of every type and one of another program.
std::string seedFile(GlobalSettings& g, const std::string& presetFolder) {
    SharedPluginSettings shared;
    InstanceSettings instance;
    g.load(shared, &instance);
    shared.conserveMemory.set(3);
    shared.enableMIDIProgramChanges.set(true);
    shared.presetFolder.set(presetFolder);
    instance.layout.set(1);
    instance.modulation.set(true);
    EXPECT_TRUE(g.save(shared, &instance));
    std::ifstream in(g.settingsFile(g.productKey()));
    std::ostringstream text;
    text << in.rdbuf() << "Blob=hex:00ff10\nOther=sz:line\\nbreak\n";
    return text.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One of the ways files get damaged, applied to `line`.
std::string damage(std::string line, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
    switch (rng() % 6) {
        case 0: return line.substr(0, pick(line.size() + 1));                       // cut short
        case 1:
            if (!line.empty()) line[pick(line.size())] = static_cast<char>(rng());  // any byte
            return line;
        case 2: return line.insert(pick(line.size() + 1), 1, "=:\\\n\r\0x"[pick(8)]);
        case 3: {                                                                    // another type
            const size_t colon = line.find(':');
            static const char* kTypes[] = {"dword", "sz", "hex", "", "DWORD", "dword:-"};
            return colon == std::string::npos ? line : line.substr(0, line.find('=') + 1) + kTypes[pick(6)] + line.substr(colon);
        }
        case 4: return line + "9999999999999999999";                                 // overflow
        default: return line + "\n" + line;                                          // doubled
    }
}

}  // namespace

TEST(SettingsFuzz, ParsingAnyTextGivesAStableSetOfValues) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    const std::vector<std::string> seed = linesOf(seedFile(g, h.home));
    std::mt19937 rng(20261209);
    for (int round = 0; round < 100000 / kScale; ++round) {
        std::vector<std::string> lines = seed;
        const int hits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < hits; ++k) {
            std::string& line = lines[rng() % lines.size()];
            line = damage(line, rng);
        }
        if (rng() % 8 == 0) std::shuffle(lines.begin(), lines.end(), rng);
        std::string text;
        for (const std::string& l : lines) text += l + (rng() % 16 ? "\n" : "\r\n");
        // What a file parses to is written back unchanged: saving never garbles a value.
        const SettingsFile parsed = SettingsFile::parse(text);
        const std::string formatted = parsed.format();
        ASSERT_EQ(SettingsFile::parse(formatted).format(), formatted) << text;
        for (const auto& [name, value] : parsed.values()) ASSERT_TRUE(SettingsFile::validName(name)) << name;
    }
}

TEST(SettingsFuzz, ADamagedLineCostsOnlyItsOwnValue) {
    FakeHome h;
    GlobalSettings g("Kestrum", 2, h.lookup());
    const std::string file = g.settingsFile(g.productKey());
    const std::vector<std::string> seed = linesOf(seedFile(g, h.home));
    std::mt19937 rng(7);
    for (int round = 0; round < 3000 / kScale; ++round) {
        std::vector<std::string> lines = seed;
        const size_t hit = rng() % lines.size();
        const std::string damagedName = lines[hit].substr(0, lines[hit].find('='));
        lines[hit] = damage(lines[hit], rng);
        std::ofstream out(file, std::ios::trunc | std::ios::binary);
        for (const std::string& l : lines) out << l << "\n";
        out.close();

        SharedPluginSettings shared;
        InstanceSettings instance;
        g.load(shared, &instance);
        ASSERT_GE(shared.getConserveMemory(), 0);
        ASSERT_LE(shared.getConserveMemory(), 4);
        ASSERT_GE(instance.layout.get(), 0);
        ASSERT_LE(instance.layout.get(), 1);
        ASSERT_FALSE(shared.presetFolder.get().empty()) << lines[hit];
        // Every undamaged value reads as stored.
        if (damagedName != "ConserveMemory") {
            ASSERT_EQ(shared.conserveMemory.get(), 3) << lines[hit];
        }
        if (damagedName != "EnableMIDIProgramChanges") {
            ASSERT_TRUE(shared.enableMIDIProgramChanges.get()) << lines[hit];
        }
        if (damagedName != "InterfaceLayout") {
            ASSERT_EQ(instance.layout.get(), 1) << lines[hit];
        }
        if (damagedName != "ShowModulation") {
            ASSERT_TRUE(instance.modulation.get()) << lines[hit];
        }
        if (damagedName != "PresetFolder") {
            ASSERT_EQ(shared.presetFolder.get(), h.home) << lines[hit];
        }
    }
}
