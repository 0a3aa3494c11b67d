#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OutputFormat.h"
#include "RenderJob.h"
#include "RenderOptions.h"

class GenericPlugin;
class MidiFile;

// Renders one INPUT into one OUTPUT with the command line's setting, all or nothing: every check
// comes before the first byte is written, the audio streams through block by block, and OUTPUT (and
// the --save-preset file) only appear once everything succeeded. Several may run at once, one per
// thread, each with a plug-in of its own.
class FileRender {
public:
    // The sample rates the engine runs at.
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 384000;

    using PluginFactory = std::function<std::unique_ptr<GenericPlugin>(int channels)>;
    // Loads a full preset into the plug-in; returns false with the product's message on refusal.
    using PresetLoader = std::function<bool(GenericPlugin&, const std::string& path, std::string& error)>;
    using PresetSaver = std::function<bool(GenericPlugin&, const std::string& path)>;
    // Sees the plug-in once it is set up, before any audio (the parameter listing).
    using Configured = std::function<void(GenericPlugin&)>;

    struct Services {
        PluginFactory factory;
        PresetLoader loader;
        PresetSaver saver;
    };

    struct Outcome {
        bool ok = false;
        std::string error;
        std::vector<std::string> warnings;
        long long frames = 0;
        int sampleRate = 0;
        float peak = 0.0f;
        long long clipped = 0;
        double wallSeconds = 0.0;
    };

    FileRender(const Services& services, const RenderOptions& options, const MidiFile* midi)
        : services_(services), options_(options), midi_(midi) {}

    Outcome run(const std::string& input, const std::string& output, const OutputFormat& format,
                const RenderJob::Progress& progress = {}, const Configured& configured = {}) const;

    // A plug-in of `channels` channels with the seed, the preset and the --set values applied; null
    // with a message when the preset or a value is refused.
    std::unique_ptr<GenericPlugin> configure(int channels, std::string& error) const;

private:
    const Services& services_;
    const RenderOptions& options_;
    const MidiFile* midi_;
};
