#pragma once
#include <string>
#include <vector>

class KestrumPlugin;

// Writes the bundle's description: manifest.ttl (the three plug-ins, their binary and the presets)
// and kestrum.ttl (ports, features and extensions of each plug-in). The control ports come from a
// plug-in instance, so they always match the code.
class Lv2Turtle {
public:
    struct PresetEntry {
        std::string uri;
        std::string file;  // the turtle file in the bundle that describes it
    };

    // The plug-in description of all three variants.
    static std::string plugins(KestrumPlugin& plugin);
    // The manifest, naming the binary (a file name inside the bundle) and the presets.
    static std::string manifest(const std::string& binary, const std::vector<PresetEntry>& presets);

    // Turtle text helpers shared with the preset exporter.
    static std::string quoted(const std::string& text);
    static std::string number(float value);
    static const char* prefixes();
};
