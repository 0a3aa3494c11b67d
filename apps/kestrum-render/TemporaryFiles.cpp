#include "TemporaryFiles.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace {

constexpr int kSlots = 1024;  // one per render running at once, --jobs at most
std::atomic<const char*> slots[kSlots];

void removeAll(int signal) {
    for (auto& slot : slots)
        if (const char* path = slot.load()) unlink(path);
    // End the way the signal would have ended the program.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

namespace TemporaryFiles {

void removeOnInterrupt() {
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, removeAll);
}

bool add(const char* path) {
    for (auto& slot : slots) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return true;
    }
    return false;
}

void release(const char* path) {
    for (auto& slot : slots) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

}  // namespace TemporaryFiles
