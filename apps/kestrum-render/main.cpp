// kestrum-render: runs an audio file through Kestrum offline (see docs/cli.md).
#include <csignal>
#include <unistd.h>

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "Demo.h"
#include "ProductPresets.h"
#include "RenderApp.h"
#include "TemporaryFiles.h"
#include "engine/PluginStorage.h"
#include "product/KestrumPlugin.h"
#include "product/ModulationListing.h"

namespace {

bool savePreset(GenericPlugin& plugin, const std::string& path) { return plugin.savePresetFile(path); }

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The user's settings, preset folder and MIDI map are read like the plug-in's, but a render
    // never writes into them; only --install-factory does, which is what it asks for.
    RenderApp::Options options;
    std::string ignored;  // run() reports what parse() refuses
    const bool writes = RenderApp::parse(args, options, ignored) && options.installFactory;
    PluginStorage::configure(writes ? PluginStorage::Mode::ReadWrite : PluginStorage::Mode::ReadOnly);
    RenderApp app([](int channels) { return std::make_unique<KestrumPlugin>(channels); }, ProductPresets::load,
                  savePreset,
                  [](const std::string& folder, std::ostream& err) { return Demo::write(folder, std::cout, err); });
    app.setLibrary({ProductPresets::listing, ProductPresets::installFactory});
    // A reader that goes away (`kestrum-render in.wav - | head`) is a write error we report, not a
    // signal that ends the program with temporary files left behind.
    std::signal(SIGPIPE, SIG_IGN);
    // An interrupted render leaves no temporary file behind.
    TemporaryFiles::removeOnInterrupt();
    auto listing = [](bool sources) {
        return [sources] {
            KestrumPlugin plugin(2);
            const ModulationListing list(plugin);
            return sources ? list.sourcesText() : list.targetsText();
        };
    };
    app.setModulationListings(listing(true), listing(false));
    try {
        return app.run(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
    } catch (const std::bad_alloc&) {
        std::cerr << "kestrum-render: not enough memory for this file\n";
    } catch (const std::exception& e) {
        std::cerr << "kestrum-render: " << e.what() << "\n";
    }
    return RenderApp::kExitRefused;
}
