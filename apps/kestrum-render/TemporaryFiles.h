#pragma once

// The temporary files being written, removed when the program is interrupted (Ctrl-C, a hang-up,
// kill) so that an interrupted render leaves nothing behind. Registering and the removal on a
// signal use only what a signal handler may use.
namespace TemporaryFiles {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (once, before any render starts).
void removeOnInterrupt();
// `path` must stay valid until released. Returns false when too many are being written at once
// (the file is then not removed on a signal, nothing else changes).
bool add(const char* path);
void release(const char* path);

}  // namespace TemporaryFiles
