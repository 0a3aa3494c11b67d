// Every test program runs with a home folder of its own, made before main() and removed at exit:
// whatever a test, a loaded plug-in module or a spawned program reads or writes as the user's
// settings, presets and MIDI map, the developer's real folders are never read or touched, and a
// result never depends on them.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

struct PrivateHome {
    PrivateHome() {
        char pattern[] = "/tmp/kestrum-test-home-XXXXXX";
        if (const char* made = mkdtemp(pattern)) folder = made;
        if (folder.empty()) return;
        setenv("HOME", folder.c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"}) unsetenv(name);
    }
    ~PrivateHome() {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
    std::string folder;
};

const PrivateHome privateHome;

}  // namespace
