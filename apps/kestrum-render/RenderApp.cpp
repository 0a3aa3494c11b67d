#include "RenderApp.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "product/ParameterLookup.h"
#include "engine/GenericPlugin.h"
#include "engine/PluginSettings.h"

namespace {


bool parseNumber(const std::string& text, double lo, double hi, double& out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

const char* RenderApp::usage() {
    return "usage: kestrum-render [options] INPUT OUTPUT\n"
           "       kestrum-render --list-params | --list-presets | --install-factory\n"
           "       kestrum-render --demo DIR\n"
           "options:\n"
           "  --set \"NAME=VALUE\"   set a parameter from text, e.g. --set \"Filter 1 Freq=2 kHz\" (repeatable)\n"
           "  --preset FILE|NAME   load a full preset before the --set values: a file, or a preset name\n"
           "                       from the preset folder or the factory library\n"
           "  --list-presets       print the presets of the preset folder with their (bank/program)\n"
           "                       numbers, and the factory presets that are not installed\n"
           "  --install-factory    install the factory presets into the preset folder (keeps your files)\n"
           "  --program-changes    let MIDI program changes of --midi load presets by (bank/program)\n"
           "  --save-preset FILE   write the resulting state as a preset\n"
           "  --sidechain FILE     feed this file to the side-chain input\n"
           "  --midi FILE.mid      play a Standard MIDI File (format 0 or 1) into the plug-in\n"
           "  --format F           output sample format: float (default), pcm24 or pcm16\n"
           "  --block N            host buffer size in frames, 1..65536 (default 512)\n"
           "  --tail SECONDS       render this much silence after the input (default 0)\n"
           "  --tempo BPM          transport tempo, 1..999 (default 120)\n"
           "  --list-params        print every parameter: id, name, value, range\n"
           "  --quiet              no progress bar\n";
}

bool RenderApp::parse(const std::vector<std::string>& args, Options& o, std::string& error) {
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            target = args[++i];
            return true;
        };
        std::string v;
        double number = 0.0;
        if (a == "--set") {
            if (!value(v)) return false;
            o.assignments.push_back(v);
        } else if (a == "--preset") {
            if (!value(o.preset)) return false;
        } else if (a == "--save-preset") {
            if (!value(o.savePreset)) return false;
        } else if (a == "--midi") {
            if (!value(o.midi)) return false;
        } else if (a == "--sidechain") {
            if (!value(o.sideChain)) return false;
        } else if (a == "--demo") {
            if (!value(o.demoFolder)) return false;
        } else if (a == "--format") {
            if (!value(v)) return false;
            if (v == "float") o.format = SampleFormat::Float;
            else if (v == "pcm24") o.format = SampleFormat::Pcm24;
            else if (v == "pcm16") o.format = SampleFormat::Pcm16;
            else {
                error = "unknown --format '" + v + "' (use float, pcm24 or pcm16)";
                return false;
            }
        } else if (a == "--block") {
            if (!value(v)) return false;
            if (!parseNumber(v, 1, 65536, number) || number != std::floor(number)) {
                error = "--block expects a whole number of frames from 1 to 65536, got '" + v + "'";
                return false;
            }
            o.render.blockSize = static_cast<int>(number);
        } else if (a == "--tail") {
            if (!value(v)) return false;
            if (!parseNumber(v, 0, 3600, number)) {
                error = "--tail expects seconds from 0 to 3600, got '" + v + "'";
                return false;
            }
            o.render.tailSeconds = number;
        } else if (a == "--tempo") {
            if (!value(v)) return false;
            if (!parseNumber(v, 1, 999, number)) {
                error = "--tempo expects beats per minute from 1 to 999, got '" + v + "'";
                return false;
            }
            o.render.tempo = static_cast<float>(number);
        } else if (a == "--list-params") {
            o.listParams = true;
        } else if (a == "--list-presets") {
            o.listPresets = true;
        } else if (a == "--install-factory") {
            o.installFactory = true;
        } else if (a == "--program-changes") {
            o.programChanges = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (o.help || !o.demoFolder.empty()) {
        if (!positional.empty()) {
            error = "--demo takes no INPUT or OUTPUT";
            return false;
        }
        return true;
    }
    // The listings and the installation stand alone or come before a render.
    if ((o.listParams || o.listPresets || o.installFactory) && positional.empty()) return true;
    if (positional.size() != 2) {
        error = positional.size() < 2 ? "INPUT and OUTPUT are required" : "too many arguments";
        return false;
    }
    o.input = positional[0];
    o.output = positional[1];
    return true;
}

int RenderApp::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progressToTerminal) {
    Options o;
    std::string error;
    if (!parse(args, o, error)) {
        err << "kestrum-render: " << error << "\n";
        return RenderApp::kExitRefused;
    }
    if (o.help) {
        out << usage();
        return 0;
    }
    if (!o.demoFolder.empty()) {
        if (!demo_) {
            err << "kestrum-render: no demo is available\n";
            return RenderApp::kExitRefused;
        }
        return demo_(o.demoFolder, err);
    }

    AudioData input, side;
    int channels = 2;
    if (!o.input.empty()) {
        if (!readAudioFile(o.input, input, error)) {
            err << "kestrum-render: " << error << "\n";
            return RenderApp::kExitRefused;
        }
        channels = static_cast<int>(input.channels.size());
        if (channels != 1 && channels != 2) {
            err << "kestrum-render: '" << o.input << "' has " << channels
                << " channels; only mono and stereo files are supported\n";
            return RenderApp::kExitRefused;
        }
        if (!o.sideChain.empty()) {
            if (!readAudioFile(o.sideChain, side, error)) {
                err << "kestrum-render: " << error << "\n";
                return RenderApp::kExitRefused;
            }
            if (side.sampleRate != input.sampleRate) {
                err << "kestrum-render: the side-chain file runs at " << side.sampleRate << " Hz but the input at "
                    << input.sampleRate << " Hz\n";
                return RenderApp::kExitRefused;
            }
        }
    }

    MidiFile midi;
    if (!o.midi.empty() && !midi.load(o.midi, o.render.tempo, error)) {
        err << "kestrum-render: " << error << "\n";
        return RenderApp::kExitRefused;
    }

    if ((o.listPresets || o.installFactory) && !(library_.listing && library_.installFactory)) {
        err << "kestrum-render: this program has no preset library\n";
        return RenderApp::kExitRefused;
    }
    const bool renders = !o.input.empty();
    std::unique_ptr<GenericPlugin> plugin = factory_(channels);
    if (o.installFactory) {
        std::string message;
        const bool installed = library_.installFactory(*plugin, message);
        (installed ? out : err) << (installed ? "" : "kestrum-render: ") << message << "\n";
        if (!installed) return RenderApp::kExitRefused;
    }
    if (o.listPresets) out << library_.listing(*plugin);
    // The command line decides, not the user's setting, so a render does the same everywhere.
    if (SharedPluginSettings* shared = GenericPlugin::sharedSettings())
        shared->enableMIDIProgramChanges.set(o.programChanges);
    if (!renders && !o.listParams) return 0;
    if (!o.preset.empty() && !loader_(*plugin, o.preset, error)) {
        err << "kestrum-render: " << error << "\n";
        return RenderApp::kExitRefused;
    }
    ParameterLookup lookup(*plugin);
    for (const std::string& a : o.assignments) {
        if (!lookup.apply(a, error)) {
            err << "kestrum-render: " << error << "\n";
            return RenderApp::kExitRefused;
        }
    }
    if (o.listParams) {
        out << lookup.listing();
        if (!renders) return 0;
    }

    RenderJob job(*plugin, o.render);
    bool showProgress = progressToTerminal && !o.quiet;
    int lastShown = -1;
    auto progress = [&](double f) {
        int percent = static_cast<int>(f * 100.0);
        if (!showProgress || percent == lastShown) return;
        lastShown = percent;
        int bars = percent * 40 / 100;
        err << "\r[" << std::string(static_cast<size_t>(bars), '#') << std::string(static_cast<size_t>(40 - bars), ' ')
            << "] " << percent << "%" << std::flush;
    };
    AudioData result = job.run(input, side.channels.empty() ? nullptr : &side, progress, o.midi.empty() ? nullptr : &midi);
    if (showProgress) err << "\n";

    if (!writeAudioFile(o.output, result, o.format, error)) {
        err << "kestrum-render: " << error << "\n";
        return RenderApp::kExitRefused;
    }
    if (!o.savePreset.empty() && !saver_(*plugin, o.savePreset)) {
        err << "kestrum-render: cannot write the preset '" << o.savePreset << "'\n";
        return RenderApp::kExitRefused;
    }
    return 0;
}
