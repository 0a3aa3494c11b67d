// Writes the LV2 bundle's turtle from the product's own parameter list.
//   kestrum_lv2_turtle BUNDLE_DIR BINARY [PRESET_TREE]
// BINARY is the module's file name inside the bundle; PRESET_TREE, when given, is a folder of
// .zxp files that become the bundle's presets (presets.ttl). Every file is written in full or the
// program fails, so a build never ships half a bundle.
#include <fstream>
#include <iostream>

#include "host/lv2/Lv2PresetExport.h"
#include "host/lv2/Lv2Turtle.h"
#include "product/KestrumPlugin.h"

namespace {

bool write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) std::cerr << "kestrum_lv2_turtle: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: kestrum_lv2_turtle BUNDLE_DIR BINARY [PRESET_TREE]\n";
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<Lv2Turtle::PresetEntry> presets;
    if (argc == 4) {
        Lv2PresetExport::Result result = Lv2PresetExport::fromTree(argv[3], "presets.ttl");
        if (!result.ok) {
            std::cerr << "kestrum_lv2_turtle: " << result.error << "\n";
            return 1;
        }
        if (!write(dir + "/presets.ttl", result.turtle)) return 1;
        presets = result.entries;
    }
    KestrumPlugin plugin(2);
    if (!write(dir + "/kestrum.ttl", Lv2Turtle::plugins(plugin))) return 1;
    return write(dir + "/manifest.ttl", Lv2Turtle::manifest(argv[2], presets)) ? 0 : 1;
}
