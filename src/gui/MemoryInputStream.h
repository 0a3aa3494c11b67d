#pragma once
#include <cstddef>
#include <cstdint>

#include "gui/InputStream.h"

namespace gui {

// Reads from bytes the caller keeps alive (an embedded resource, a test buffer).
class MemoryInputStream final : public InputStream {
public:
    MemoryInputStream(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

    std::size_t read(void* buffer, std::size_t size) override;
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t getPosition() const override { return position_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t position_ = 0;
};

}  // namespace gui
