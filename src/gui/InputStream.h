#pragma once
#include <cstddef>
#include <cstdint>

namespace gui {

// A seekable source of bytes for the image readers.
class InputStream {
public:
    virtual ~InputStream() = default;
    // Reads up to `size` bytes; returns how many were read (fewer only at the end).
    virtual std::size_t read(void* buffer, std::size_t size) = 0;
    // Moves to an absolute position; positions past the end leave nothing to read.
    virtual void seek(std::uint64_t position) = 0;
    virtual std::uint64_t getPosition() const = 0;
};

}  // namespace gui
