#pragma once
#include <cstddef>

// The embedded editor images, generated at build time by tools/artwork: one PNG per name, with
// "@2x" before the extension for the double-density version.
namespace gui::artwork {

struct Entry {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const Entry kEntries[];
extern const std::size_t kEntryCount;

}  // namespace gui::artwork
