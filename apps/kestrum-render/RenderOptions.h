#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "OutputFormat.h"
#include "RenderJob.h"

// Everything the command line asks for.
struct RenderOptions {
    // One INPUT and OUTPUT, or with --output-dir any number of INPUTs.
    std::vector<std::string> inputs;
    std::string output, outputDir;
    std::string sideChain, preset, savePreset, demoFolder, midi;
    std::vector<std::string> assignments;
    std::optional<SampleFormat> format;
    std::optional<OutputFormat::Type> type;
    RenderSettings render;
    std::optional<uint32_t> seed;
    int jobs = 0;  // 0: one per core
    bool listParams = false;
    bool listSources = false;
    bool listTargets = false;
    bool listPresets = false;
    bool installFactory = false;
    bool programChanges = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    bool batch() const { return !outputDir.empty(); }
};
