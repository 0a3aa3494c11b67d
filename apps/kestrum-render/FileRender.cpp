#include "FileRender.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

#include "OutputTarget.h"
#include "SoundFileReader.h"
#include "SoundFileWriter.h"
#include "engine/GenericPlugin.h"
#include "engine/PluginSettings.h"
#include "product/ParameterLookup.h"

namespace {

std::string describe(const SoundFileReader& r) { return r.path() == "-" ? "standard input" : "'" + r.path() + "'"; }

// The rate and channel checks every file read for a render passes.
bool usable(const SoundFileReader& r, std::string& error) {
    if (r.sampleRate() < FileRender::kMinRate || r.sampleRate() > FileRender::kMaxRate) {
        error = describe(r) + " runs at " + std::to_string(r.sampleRate()) + " Hz; the rates supported are " +
                std::to_string(FileRender::kMinRate) + " to " + std::to_string(FileRender::kMaxRate) + " Hz";
        return false;
    }
    if (r.channels() != 1 && r.channels() != 2) {
        error = describe(r) + " has " + std::to_string(r.channels()) + " channels; only mono and stereo files are supported";
        return false;
    }
    return true;
}

// The preset file can be written where it is asked for (checked before any audio is rendered).
bool presetWritable(const std::string& path, std::string& error) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode) || access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) {
            error = "cannot write the preset '" + path + "': " + (S_ISDIR(st.st_mode) ? "it is a folder" : "it is read-only");
            return false;
        }
        return true;
    }
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || access(folder.c_str(), W_OK) != 0) {
        error = "cannot write the preset '" + path + "': the folder '" + folder + "' does not exist or is not writable";
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<GenericPlugin> FileRender::configure(int channels, std::string& error) const {
    // One at a time: building an instance and looking presets up by name go through the product's
    // shared preset managers, which the renders of a batch would otherwise enter together.
    static std::mutex setup;
    std::lock_guard<std::mutex> lock(setup);
    std::unique_ptr<GenericPlugin> plugin = services_.factory(channels);
    // The command line decides, not the user's setting, so a render does the same everywhere.
    if (SharedPluginSettings* shared = GenericPlugin::sharedSettings())
        shared->enableMIDIProgramChanges.set(options_.programChanges);
    if (options_.seed) plugin->setRandomSeed(*options_.seed);
    if (!options_.preset.empty() && !services_.loader(*plugin, options_.preset, error)) return nullptr;
    ParameterLookup lookup(*plugin);
    for (const std::string& a : options_.assignments)
        if (!lookup.apply(a, error)) return nullptr;
    return plugin;
}

FileRender::Outcome FileRender::run(const std::string& input, const std::string& output, const OutputFormat& format,
                                    const RenderJob::Progress& progress, const Configured& configured) const {
    const auto started = std::chrono::steady_clock::now();
    Outcome result;
    std::string& error = result.error;

    SoundFileReader in;
    if (!in.open(input, error) || !usable(in, error)) return result;
    SoundFileReader side;
    if (!options_.sideChain.empty()) {
        if (!side.open(options_.sideChain, error) || !usable(side, error)) return result;
        if (side.sampleRate() != in.sampleRate()) {
            error = "the side-chain file runs at " + std::to_string(side.sampleRate()) + " Hz but the input at " +
                    std::to_string(in.sampleRate()) + " Hz";
            return result;
        }
    }
    // Beyond 4 GB a WAV becomes RF64: a plain WAV header could not say how long it is.
    OutputFormat sized = format;
    if (in.expectedFrames() > 0) {
        const double frames = static_cast<double>(in.expectedFrames()) + options_.render.tailSeconds * in.sampleRate();
        if (!sized.fitSize(static_cast<long long>(frames * in.channels() * sized.bytesPerSample()), error)) return result;
    }
    OutputTarget target;
    if (!target.resolve(output, sized.streamable(), error)) return result;
    if (!options_.savePreset.empty() && !presetWritable(options_.savePreset, error)) return result;

    std::unique_ptr<GenericPlugin> plugin = configure(in.channels(), error);
    if (!plugin) return result;
    if (configured) configured(*plugin);

    SoundFileWriter writer;
    const std::string shownName = output == "-" ? "standard output" : output;
    const int fd = target.open(error);
    if (fd < 0 || !writer.open(fd, sized, in.channels(), in.sampleRate(), shownName, error)) return result;

    RenderJob job(*plugin, options_.render);
    const bool written = job.run(in, options_.sideChain.empty() ? nullptr : &side, writer, progress, midi_);
    if (in.failed()) {
        error = in.error();
        return result;
    }
    if (side.failed()) {
        error = side.error();
        return result;
    }
    if (!writer.close(error) || !written) {
        if (error.empty()) error = "error while writing '" + shownName + "'";
        return result;
    }
    // The preset first: when it cannot be written, OUTPUT is not replaced either.
    if (!options_.savePreset.empty() && !services_.saver(*plugin, options_.savePreset)) {
        error = "cannot write the preset '" + options_.savePreset + "'";
        return result;
    }
    if (!target.commit(error)) return result;

    result.ok = true;
    result.frames = writer.frames();
    result.sampleRate = in.sampleRate();
    result.peak = writer.peak();
    result.clipped = writer.clipped();
    if (in.announcedFrames() > 0)
        result.warnings.push_back(describe(in) + " is shorter than its header says: rendered the " +
                                  std::to_string(in.framesRead()) + " frames it holds of the " +
                                  std::to_string(in.announcedFrames()) + " announced");
    if (result.clipped > 0)
        result.warnings.push_back(std::to_string(result.clipped) + " samples clipped at full scale in '" + shownName +
                                  "' (lower the output gain or use --format float)");
    result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}
