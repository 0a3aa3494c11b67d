#include "Demo.h"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "DemoLoop.h"
#include "product/ParameterLookup.h"
#include "RenderApp.h"
#include "RenderJob.h"
#include "product/KestrumPlugin.h"

namespace fs = std::filesystem;

namespace Demo {

namespace {

// One parameter of the showcase setting, as the user would type it.
struct Setting {
    const char* name;
    const char* value;
};

constexpr int kSampleRate = 48000;
constexpr float kTempo = 120.0f;
// Long enough for the resonant peaks and the delay to ring out after the loop.
constexpr double kTailSeconds = 1.0;

// Three filters of different character: a resonant low pass feeding a singing band pass, in
// parallel with a delayed, slightly detuned high pass that keeps the hats and the transients.
// Routing 7 is (1 -> 2) in parallel with 3 (and 4, which is not active here).
constexpr Setting kShowcase[] = {
    {"Num Active Filters", "3"},
    {"Routing", "7"},
    {"Filter 1 Characteristic", "Tube"},
    {"Filter 1 Response", "LP"},
    {"Filter 1 Slope", "24"},
    {"Filter 1 Freq", "1.2 kHz"},
    {"Filter 1 Peak", "0.55"},
    {"Filter 1 Pan", "0.1"},
    {"Filter 2 Characteristic", "Hollow"},
    {"Filter 2 Response", "BP"},
    {"Filter 2 Slope", "12"},
    {"Filter 2 Freq", "700 Hz"},
    {"Filter 2 Peak", "0.7"},
    {"Filter 3 Characteristic", "Raw"},
    {"Filter 3 Response", "HP"},
    {"Filter 3 Slope", "12"},
    {"Filter 3 Freq", "4 kHz"},
    {"Filter 3 Peak", "0.4"},
    {"Filter 3 Pan", "-0.15"},
    {"Filter 3 Delay", "7.5 ms"},
    {"Mix", "100 %"},
    {"Output Gain", "6 dB"},  // makes up for what the filters take away
    // Modulation: a tempo-synced triangle XLFO sweeps filter 1, and an envelope follower on the
    // input opens filter 3 on every hit.
    {"Num Active XLFOs", "1"},
    {"XLFO 1 Sync Mode", "1"},
    {"XLFO 1 Step 1 Value", "1"},
    {"XLFO 1 Step 1 Glide", "1"},
    {"XLFO 1 Step 2 Value", "-1"},
    {"XLFO 1 Step 2 Glide", "1"},
    {"Num Active EFs", "1"},
    {"EF 1 Attack", "5 ms"},
    {"EF 1 Release", "200 ms"},
    {"Num Active Slots", "2"},
    {"Slot 1 Source", "XLFO 1"},
    {"Slot 1 Target", "Filter 1 Freq"},
    {"Slot 1 Level", "0.25"},
    {"Slot 2 Source", "EF 1"},
    {"Slot 2 Target", "Filter 3 Freq"},
    {"Slot 2 Level", "0.2"},
};

bool writeFile(const fs::path& path, const AudioData& data, std::ostream& err) {
    std::string error;
    if (writeAudioFile(path.string(), data, SampleFormat::Float, error)) return true;
    err << "kestrum-render: " << error << "\n";
    return false;
}

}  // namespace

int write(const std::string& folder, std::ostream& out, std::ostream& err) {
    const fs::path dir(folder);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        err << "kestrum-render: cannot create the demo folder '" << folder << "'"
            << (ec ? ": " + ec.message() : std::string()) << "\n";
        return RenderApp::kExitRefused;
    }

    // Everything that can be refused is checked before the first file is written.
    KestrumPlugin plugin(2);
    ParameterLookup lookup(plugin);
    std::string error;
    for (const Setting& s : kShowcase) {
        if (!lookup.apply(std::string(s.name) + "=" + s.value, error)) {
            err << "kestrum-render: the demo setting was refused: " << error << "\n";
            return RenderApp::kExitRefused;
        }
    }

    const AudioData loop = synthesiseDemoLoop(kSampleRate, kTempo);
    RenderSettings settings;
    settings.tailSeconds = kTailSeconds;
    settings.tempo = kTempo;
    RenderJob job(plugin, settings);
    const AudioData rendered = job.run(loop, nullptr);

    const fs::path inputPath = dir / "demo-input.wav";
    const fs::path outputPath = dir / "demo-output.wav";
    if (!writeFile(inputPath, loop, err)) return RenderApp::kExitRefused;
    if (!writeFile(outputPath, rendered, err)) {
        // An input without its rendering is half a demo: take it back.
        fs::remove(inputPath, ec);
        return RenderApp::kExitRefused;
    }
    out << "wrote " << inputPath.string() << "\n"
        << "wrote " << outputPath.string() << "\n";
    return 0;
}

}  // namespace Demo
