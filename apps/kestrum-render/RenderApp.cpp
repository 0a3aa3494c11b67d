#include "RenderApp.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <thread>

#include "CommandLine.h"
#include "FileIdentity.h"
#include "ProgressBar.h"
#include "Version.h"
#include "engine/GenericPlugin.h"
#include "engine/PluginSettings.h"
#include "product/ParameterLookup.h"

namespace {

bool parseNumber(const std::string& text, double lo, double hi, double& out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parseWhole(const std::string& text, double lo, double hi, double& out) {
    return parseNumber(text, lo, hi, out) && out == std::floor(out) && text.find_first_of(".eE") == std::string::npos;
}

std::string decibels(float peak) {
    if (peak <= 0.0f) return "-inf dBFS";
    char text[32];
    const double db = 20.0 * std::log10(static_cast<double>(peak));
    // No "-0.0" for a peak a hair below full scale.
    std::snprintf(text, sizeof text, "%.1f dBFS", std::fabs(db) < 0.05 ? 0.0 : db);
    return text;
}

// The summary of a finished file: duration, peak, clipped samples, speed.
std::string summary(const std::string& output, const FileRender::Outcome& r) {
    const double seconds = r.sampleRate > 0 ? static_cast<double>(r.frames) / r.sampleRate : 0.0;
    char text[160];
    std::snprintf(text, sizeof text, ": %.2f s, peak %s, %lld clipped, %.1fx real time", seconds, decibels(r.peak).c_str(),
                  r.clipped, r.wallSeconds > 0.0 ? seconds / r.wallSeconds : 0.0);
    return (output == "-" ? std::string("standard output") : output) + text;
}

}  // namespace

const char* RenderApp::usage() {
    return "usage: kestrum-render [options] INPUT OUTPUT\n"
           "       kestrum-render [options] --output-dir DIR INPUT...\n"
           "       kestrum-render --list-params | --list-sources | --list-targets | --list-presets\n"
           "       kestrum-render --install-factory\n"
           "       kestrum-render --demo DIR\n"
           "INPUT or OUTPUT '-' is standard input or output. Options take 'NAME VALUE' or 'NAME=VALUE';\n"
           "'--' ends them.\n"
           "options:\n"
           "  --set \"NAME=VALUE\"   set a parameter from text, e.g. --set \"Filter 1 Freq=2 kHz\" (repeatable)\n"
           "  --preset FILE|NAME   load a full preset before the --set values: a file, or a preset name\n"
           "                       from the preset folder or the factory library\n"
           "  --list-presets       print the presets of the preset folder with their (bank/program)\n"
           "                       numbers, and the factory presets that are not installed\n"
           "  --install-factory    install the factory presets into the preset folder (keeps your files)\n"
           "  --program-changes    let MIDI program changes of --midi load presets by (bank/program)\n"
           "  --save-preset FILE   write the resulting state as a preset (only with OUTPUT written)\n"
           "  --sidechain FILE     feed this file to the side-chain input\n"
           "  --midi FILE.mid      play a Standard MIDI File (format 0 or 1) into the plug-in\n"
           "  --type T             output file type: wav, flac, ogg, aiff or caf (default: OUTPUT's extension)\n"
           "  --format F           sample format: float (default), pcm24 (default for FLAC) or pcm16\n"
           "  --output-dir DIR     render every INPUT into DIR, named after it\n"
           "  -j, --jobs N         render up to N files at once (default: one per core)\n"
           "  --block N            host buffer size in frames, 1..65536 (default 512)\n"
           "  --tail SECONDS       render this much silence after the input, 0..3600 (default 0)\n"
           "  --tempo BPM          transport tempo, 1..999 (default 120)\n"
           "  --seed N             seed of the random XLFO steps, 0..4294967295, for repeatable renders\n"
           "  --list-params        print every parameter: id, name, value, range\n"
           "  --list-sources       print the modulation sources\n"
           "  --list-targets       print the modulation targets\n"
           "  -q, --quiet          no progress bar and no summary\n"
           "  -h, --help           print this help\n"
           "  --version            print the version\n";
}

bool RenderApp::parse(const std::vector<std::string>& args, Options& o, std::string& error) {
    CommandLine line;
    auto text = [](std::string& target) {
        return [&target](const std::string& v, std::string&) {
            target = v;
            return true;
        };
    };
    // A number in [lo, hi] (whole when asked); the refusal names the option, what it expects and
    // what it got.
    auto ranged = [](const char* name, const char* what, double lo, double hi, bool whole, auto store) {
        return [=](const std::string& v, std::string& e) {
            double number = 0.0;
            if (!(whole ? parseWhole(v, lo, hi, number) : parseNumber(v, lo, hi, number))) {
                char range[64];
                std::snprintf(range, sizeof range, "from %.0f to %.0f", lo, hi);
                e = std::string(name) + " expects " + what + " " + range + ", got '" + v + "'";
                return false;
            }
            store(number);
            return true;
        };
    };
    line.option({"--set"}, [&o](const std::string& v, std::string&) {
        o.assignments.push_back(v);
        return true;
    });
    line.option({"--preset"}, text(o.preset));
    line.option({"--save-preset"}, text(o.savePreset));
    line.option({"--midi"}, text(o.midi));
    line.option({"--sidechain"}, text(o.sideChain));
    line.option({"--demo"}, text(o.demoFolder));
    line.option({"--output-dir"}, text(o.outputDir));
    line.option({"--format"}, [&o](const std::string& v, std::string& e) {
        if (v == "float") o.format = SampleFormat::Float;
        else if (v == "pcm24") o.format = SampleFormat::Pcm24;
        else if (v == "pcm16") o.format = SampleFormat::Pcm16;
        else {
            e = "unknown --format '" + v + "' (use float, pcm24 or pcm16)";
            return false;
        }
        return true;
    });
    line.option({"--type"}, [&o](const std::string& v, std::string& e) {
        o.type = OutputFormat::typeNamed(v);
        if (!o.type) e = "unknown --type '" + v + "' (use wav, flac, ogg, aiff or caf)";
        return o.type.has_value();
    });
    line.option({"--block"}, ranged("--block", "a whole number of frames", 1, 65536, true,
                                    [&o](double n) { o.render.blockSize = static_cast<int>(n); }));
    line.option({"--tail"}, ranged("--tail", "seconds", 0, 3600, false, [&o](double n) { o.render.tailSeconds = n; }));
    line.option({"--tempo"}, ranged("--tempo", "beats per minute", 1, 999, false,
                                    [&o](double n) { o.render.tempo = static_cast<float>(n); }));
    line.option({"--seed"}, ranged("--seed", "a whole number", 0, 4294967295.0, true,
                                   [&o](double n) { o.seed = static_cast<uint32_t>(n); }));
    line.option({"--jobs", "-j"}, ranged("--jobs", "a whole number", 1, 1024, true,
                                         [&o](double n) { o.jobs = static_cast<int>(n); }));
    line.flag({"--list-params"}, [&o] { o.listParams = true; });
    line.flag({"--list-sources"}, [&o] { o.listSources = true; });
    line.flag({"--list-targets"}, [&o] { o.listTargets = true; });
    line.flag({"--list-presets"}, [&o] { o.listPresets = true; });
    line.flag({"--install-factory"}, [&o] { o.installFactory = true; });
    line.flag({"--program-changes"}, [&o] { o.programChanges = true; });
    line.flag({"--quiet", "-q"}, [&o] { o.quiet = true; });
    line.flag({"--help", "-h"}, [&o] { o.help = true; });
    line.flag({"--version"}, [&o] { o.version = true; });

    std::vector<std::string> positional;
    if (!line.parse(args, positional, error)) return false;
    if (o.help || o.version) return true;
    const bool lists = o.listParams || o.listSources || o.listTargets || o.listPresets || o.installFactory;
    if (!o.demoFolder.empty() || o.listSources || o.listTargets) {
        if (!positional.empty() || o.batch()) {
            error = std::string(o.demoFolder.empty() ? "--list-sources and --list-targets take" : "--demo takes") +
                    " no INPUT or OUTPUT";
            return false;
        }
        return true;
    }
    if (o.batch()) {
        if (positional.empty()) {
            error = "--output-dir needs at least one INPUT";
            return false;
        }
        if (o.listParams || !o.savePreset.empty()) {
            error = std::string(o.listParams ? "--list-params" : "--save-preset") + " takes one INPUT, not --output-dir";
            return false;
        }
        o.inputs = positional;
        return true;
    }
    if (lists && positional.empty()) return true;
    if (positional.size() != 2) {
        error = positional.size() < 2 ? "INPUT and OUTPUT are required (or --output-dir DIR for several INPUTs)"
                                      : "too many arguments (several INPUTs need --output-dir DIR)";
        return false;
    }
    o.inputs = {positional[0]};
    o.output = positional[1];
    return true;
}

// Names the outputs and refuses, before anything is read or written, what would destroy a file the
// render needs: OUTPUT or the preset to save naming a file that is read, the preset naming OUTPUT,
// two renders writing the same file.
bool RenderApp::plan(const Options& o, std::vector<Job>& jobs, OutputFormat& format, std::string& error) const {
    if (o.batch()) {
        if (!OutputFormat::forType(o.type.value_or(OutputFormat::Type::Wav), o.format, format, error)) return false;
        if (!std::filesystem::is_directory(o.outputDir)) {
            error = "the output folder '" + o.outputDir + "' does not exist";
            return false;
        }
        for (const std::string& in : o.inputs) {
            if (in == "-") {
                error = "standard input ('-') cannot be one of several INPUTs";
                return false;
            }
            const std::string stem = std::filesystem::path(in).stem().string();
            jobs.push_back({in, (std::filesystem::path(o.outputDir) / (stem + format.extension())).string()});
        }
    } else {
        if (!OutputFormat::choose(o.output, o.type, o.format, format, error)) return false;
        jobs.push_back({o.inputs[0], o.output});
    }
    if (std::count(o.inputs.begin(), o.inputs.end(), std::string("-")) + (o.sideChain == "-") > 1) {
        error = "standard input ('-') can be read only once";
        return false;
    }
    if (o.listParams && o.output == "-") {
        error = "--list-params prints on standard output, which OUTPUT '-' takes for the audio";
        return false;
    }

    struct Read {
        std::string path, role;
    };
    std::vector<Read> reads;
    for (const std::string& in : o.inputs) reads.push_back({in, "the input"});
    if (!o.sideChain.empty()) reads.push_back({o.sideChain, "the side-chain file"});
    if (!o.preset.empty()) reads.push_back({o.preset, "the preset it loads"});
    if (!o.midi.empty()) reads.push_back({o.midi, "the MIDI file"});
    const FileIdentity savedPreset(o.savePreset);
    for (size_t j = 0; j < jobs.size(); ++j) {
        const FileIdentity written(jobs[j].output);
        for (const Read& r : reads)
            if (written == FileIdentity(r.path)) {
                error = "OUTPUT '" + jobs[j].output + "' is " + r.role + " '" + r.path + "'; it would be overwritten";
                return false;
            }
        for (size_t k = 0; k < j; ++k)
            if (written == FileIdentity(jobs[k].output)) {
                error = "'" + jobs[k].input + "' and '" + jobs[j].input + "' would both be written to '" + jobs[j].output + "'";
                return false;
            }
        if (written == savedPreset) {
            error = "--save-preset '" + o.savePreset + "' is OUTPUT; choose another file for the preset";
            return false;
        }
    }
    for (const Read& r : reads)
        if (r.path != o.preset && savedPreset == FileIdentity(r.path)) {
            error = "--save-preset '" + o.savePreset + "' is " + r.role + " '" + r.path + "'; it would be overwritten";
            return false;
        }
    return true;
}

int RenderApp::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressToTerminal) {
    if (args.empty()) {
        out << usage();
        return 0;
    }
    Options o;
    std::string error;
    auto refuse = [&err](const std::string& message) {
        err << "kestrum-render: " << message << "\n";
        return kExitRefused;
    };
    if (!parse(args, o, error)) return refuse(error);
    if (o.help) {
        out << usage();
        return 0;
    }
    if (o.version) {
        out << "kestrum-render " << KESTRUM_VERSION_STRING << "\n";
        return 0;
    }
    if (!o.demoFolder.empty()) {
        if (!demo_) return refuse("no demo is available");
        return demo_(o.demoFolder, err);
    }
    if (o.listSources || o.listTargets) {
        const Listing& listing = o.listSources ? sourceListing_ : targetListing_;
        if (!listing || (o.listSources && o.listTargets && !targetListing_))
            return refuse("the modulation listings are not available in this build");
        if (o.listSources) out << sourceListing_();
        if (o.listTargets) out << targetListing_();
        return 0;
    }

    // One instance for the whole run keeps the shared settings and the preset lists alive, so what
    // is chosen here holds for every file rendered below.
    if ((o.listPresets || o.installFactory) && !(library_.listing && library_.installFactory))
        return refuse("this program has no preset library");
    std::unique_ptr<GenericPlugin> session = services_.factory(2);
    if (o.installFactory) {
        std::string message;
        if (!library_.installFactory(*session, message)) return refuse(message);
        out << message << "\n";
    }
    if (o.listPresets) out << library_.listing(*session);
    // The command line decides, not the user's setting, so a render does the same everywhere.
    if (SharedPluginSettings* shared = GenericPlugin::sharedSettings())
        shared->enableMIDIProgramChanges.set(o.programChanges);
    if ((o.listPresets || o.installFactory) && o.inputs.empty() && !o.listParams) return 0;

    FileRender::Configured printListing;
    if (o.listParams) {
        printListing = [&out](GenericPlugin& plugin) { out << ParameterLookup(plugin).listing(); };
        if (o.inputs.empty()) {
            FileRender setup(services_, o, nullptr);
            std::unique_ptr<GenericPlugin> plugin = setup.configure(2, error);
            if (!plugin) return refuse(error);
            printListing(*plugin);
            return 0;
        }
    }

    std::vector<Job> jobs;
    OutputFormat format;
    if (!plan(o, jobs, format, error)) return refuse(error);
    MidiFile midi;
    if (!o.midi.empty() && !midi.load(o.midi, o.render.tempo, error)) return refuse(error);
    if (o.batch()) {
        // A refused preset or value would fail every file the same way: say it once.
        FileRender setup(services_, o, nullptr);
        if (!setup.configure(2, error)) return refuse(error);
    }
    return render(o, jobs, format, o.midi.empty() ? nullptr : &midi, printListing, out, err, progressToTerminal);
}

int RenderApp::render(const Options& o, const std::vector<Job>& jobs, const OutputFormat& format, const MidiFile* midi,
                      const FileRender::Configured& configured, std::ostream& out, std::ostream& err,
                      bool progressToTerminal) const {
    // With the audio on standard output, the summary goes to the error stream.
    const bool audioOnOut = std::any_of(jobs.begin(), jobs.end(), [](const Job& j) { return j.output == "-"; });
    std::ostream& report = audioOnOut ? err : out;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workers = std::clamp<size_t>(o.jobs > 0 ? static_cast<size_t>(o.jobs) : cores, 1, jobs.size());
    ProgressBar bar(err, progressToTerminal && !o.quiet, static_cast<int>(jobs.size()));
    const FileRender renderer(services_, o, midi);
    std::atomic<size_t> next{0};
    std::atomic<int> failures{0};

    auto work = [&] {
        for (size_t j = next++; j < jobs.size(); j = next++) {
            const Job& job = jobs[j];
            auto progress = [&bar, j](long long done, long long total, double rate) {
                bar.update(static_cast<int>(j), done, total, static_cast<int>(rate));
            };
            FileRender::Outcome r;
            try {
                r = renderer.run(job.input, job.output, format, progress, configured);
            } catch (const std::bad_alloc&) {
                r.ok = false;
                r.error = "not enough memory for this file";
            } catch (const std::exception& e) {
                r.ok = false;
                r.error = e.what();
            }
            if (!r.ok) {
                ++failures;
                bar.print(err, "kestrum-render: " + (o.batch() ? job.input + ": " : std::string()) + r.error);
                continue;
            }
            for (const std::string& w : r.warnings) bar.print(err, "kestrum-render: warning: " + w);
            if (!o.quiet) bar.print(report, summary(job.output, r));
        }
    };
    if (workers == 1) {
        work();
    } else {
        std::vector<std::thread> threads;
        for (size_t t = 0; t < workers; ++t) threads.emplace_back(work);
        for (std::thread& t : threads) t.join();
    }
    bar.finish();
    return failures > 0 ? kExitRefused : 0;
}
