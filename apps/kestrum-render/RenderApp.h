#pragma once
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "RenderJob.h"

class GenericPlugin;

// The command-line program: parses the options, builds a plug-in of the right channel count,
// applies presets and parameter texts, renders and writes the result. Every refusal is one line on
// the error stream and exit status 2; an existing output file is only replaced after success.
class RenderApp {
public:
    // The exit status of every refusal (0 is success).
    static constexpr int kExitRefused = 2;

    using PluginFactory = std::function<std::unique_ptr<GenericPlugin>(int channels)>;
    // Loads a full preset into the plug-in; returns false with the product's message on refusal.
    using PresetLoader = std::function<bool(GenericPlugin&, const std::string& path, std::string& error)>;
    using PresetSaver = std::function<bool(GenericPlugin&, const std::string& path)>;
    // Writes a demo input and its rendering into a folder.
    using Demo = std::function<int(const std::string& folder, std::ostream& err)>;

    struct Options {
        std::string input, output, sideChain, preset, savePreset, demoFolder, midi;
        std::vector<std::string> assignments;
        SampleFormat format = SampleFormat::Float;
        RenderSettings render;
        bool listParams = false;
        bool listPresets = false;
        bool installFactory = false;
        bool programChanges = false;
        bool quiet = false;
        bool help = false;
    };

    // The product's preset library: listing it and installing the factory content into the
    // user's folders. Without one, --list-presets and --install-factory are refused.
    struct Library {
        std::function<std::string(GenericPlugin&)> listing;
        std::function<bool(GenericPlugin&, std::string& message)> installFactory;
    };

    RenderApp(PluginFactory factory, PresetLoader loader, PresetSaver saver, Demo demo = {})
        : factory_(std::move(factory)), loader_(std::move(loader)), saver_(std::move(saver)), demo_(std::move(demo)) {}

    void setLibrary(Library library) { library_ = std::move(library); }

    int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressToTerminal);

    // Returns false with a message when the arguments are not understood.
    static bool parse(const std::vector<std::string>& args, Options& options, std::string& error);
    static const char* usage();

private:
    PluginFactory factory_;
    PresetLoader loader_;
    PresetSaver saver_;
    Demo demo_;
    Library library_;
};
