#include "gui/MemoryInputStream.h"

#include <algorithm>
#include <cstring>

namespace gui {

std::size_t MemoryInputStream::read(void* buffer, std::size_t size) {
    if (position_ >= size_) return 0;
    const std::size_t count = std::min<std::uint64_t>(size, size_ - position_);
    std::memcpy(buffer, data_ + position_, count);
    position_ += count;
    return count;
}

}  // namespace gui
