#pragma once
#include <cstddef>
#include <string>

// Replaces a file as a whole: the bytes go to a temporary file beside it, are flushed to disk and
// renamed over the target, so a failed or interrupted write leaves the old file untouched. Missing
// parent folders are created. Not for the audio thread.
class AtomicFileWriter {
public:
    // False when the file could not be written completely (the target is then unchanged).
    static bool write(const std::string& path, const void* data, std::size_t size);
};
