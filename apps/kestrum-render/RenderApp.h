#pragma once
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "FileRender.h"
#include "RenderOptions.h"

class GenericPlugin;

// The command-line program: reads the options, then renders one INPUT into OUTPUT, or several
// INPUTs into a folder in parallel. Every refusal of the command line is one line on the error
// stream and exit status 2; a file that fails is named and leaves nothing behind, and the others
// are still written.
class RenderApp {
public:
    // The exit status of every refusal and of a batch in which any file failed (0 is success).
    static constexpr int kExitRefused = 2;

    using PluginFactory = FileRender::PluginFactory;
    using PresetLoader = FileRender::PresetLoader;
    using PresetSaver = FileRender::PresetSaver;
    // Writes a demo input and its rendering into a folder.
    using Demo = std::function<int(const std::string& folder, std::ostream& err)>;
    // Produces a listing printed on the output stream.
    using Listing = std::function<std::string()>;
    using Options = RenderOptions;

    RenderApp(PluginFactory factory, PresetLoader loader, PresetSaver saver, Demo demo = {})
        : services_{std::move(factory), std::move(loader), std::move(saver)}, demo_(std::move(demo)) {}

    // The product's preset library: listing it and installing the factory content into the
    // user's folders. Without one, --list-presets and --install-factory are refused.
    struct Library {
        std::function<std::string(GenericPlugin&)> listing;
        std::function<bool(GenericPlugin&, std::string& message)> installFactory;
    };
    void setLibrary(Library library) { library_ = std::move(library); }

    // The lists behind --list-sources and --list-targets (the modulation sources and targets by name).
    void setModulationListings(Listing sources, Listing targets) {
        sourceListing_ = std::move(sources);
        targetListing_ = std::move(targets);
    }

    int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressToTerminal);

    // Returns false with a message when the arguments are not understood.
    static bool parse(const std::vector<std::string>& args, Options& options, std::string& error);
    static const char* usage();

private:
    struct Job {
        std::string input, output;
    };
    bool plan(const Options& o, std::vector<Job>& jobs, OutputFormat& format, std::string& error) const;
    int render(const Options& o, const std::vector<Job>& jobs, const OutputFormat& format, const MidiFile* midi,
               const FileRender::Configured& configured, std::ostream& out, std::ostream& err,
               bool progressToTerminal) const;

    FileRender::Services services_;
    Demo demo_;
    Listing sourceListing_, targetListing_;
    Library library_;
};
