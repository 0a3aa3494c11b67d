// kestrum-render: runs an audio file through Kestrum offline (see docs/cli.md).
#include <csignal>
#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "Demo.h"
#include "RenderApp.h"
#include "engine/PluginStorage.h"
#include "product/KestrumPlugin.h"
#include "presets/PresetMessages.h"

namespace {

bool loadPreset(GenericPlugin& plugin, const std::string& path, std::string& error) {
    // The host's way of loading: one update batch, and the values take effect without smoothing.
    if (plugin.loadPreset(path)) return true;
    error = std::string(PresetMessages::kOpenFailed) + " (" + path + ")";
    return false;
}

bool savePreset(GenericPlugin& plugin, const std::string& path) { return plugin.savePresetFile(path); }

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The user's settings, preset folder and MIDI map are read like the plug-in's, but a render
    // never writes into them.
    PluginStorage::configure(PluginStorage::Mode::ReadOnly);
    RenderApp app([](int channels) { return std::make_unique<KestrumPlugin>(channels); }, loadPreset, savePreset,
                  [](const std::string& folder, std::ostream& err) { return Demo::write(folder, std::cout, err); });
    // A reader that goes away (`kestrum-render in.wav - | head`) is a write error we report, not a
    // signal that ends the program with temporary files left behind.
    std::signal(SIGPIPE, SIG_IGN);
    // --list-sources and --list-targets: app.setModulationListings(...) with the product's lists of
    // modulation sources and targets is wired here.
    try {
        return app.run(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
    } catch (const std::bad_alloc&) {
        std::cerr << "kestrum-render: not enough memory for this file\n";
    } catch (const std::exception& e) {
        std::cerr << "kestrum-render: " << e.what() << "\n";
    }
    return RenderApp::kExitRefused;
}
