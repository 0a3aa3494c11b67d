#pragma once
#include <string>

#include "engine/GlobalSettings.h"
#include "platform/PlatformPaths.h"

// Whether and where the process keeps what outlives a plug-in instance: the global settings, the
// preset folder, the application-data folder (MIDI controller map, component presets) and the
// installed factory content.
//
// A program chooses once, before its first instance: a plug-in inside a host uses the user's
// folders and writes them (ReadWrite); the renderer reads them but writes nothing unless the user
// asks (ReadOnly); tests and build tools leave it Off, so instances start from defaults and nothing
// is read from or written to disk.
//
// Threads: configure() on the set-up thread; the queries on any thread.
class PluginStorage {
public:
    enum class Mode { Off, ReadOnly, ReadWrite };

    // False (nothing changes) while an instance is alive: the shared settings and preset managers
    // were built from the old choice and live until the last instance goes.
    static bool configure(Mode mode, PlatformPaths::Lookup lookup = PlatformPaths::systemLookup());
    // The plug-in inside a host: ReadWrite on the user's folders, unless the process chose a mode
    // itself (a test, or a program embedding the adapter). Called by the host adapters before
    // their first instance; false when nothing changed.
    static bool configureForHost();
    static Mode mode();
    static bool canRead() { return mode() != Mode::Off; }
    static bool canWrite() { return mode() == Mode::ReadWrite; }
    // The settings store of a product on the configured folders.
    static GlobalSettings settingsFor(const std::string& productName, int majorVersion);

    // Called by every instance's initialisation and destruction.
    static void acquire();
    static void release();
};
