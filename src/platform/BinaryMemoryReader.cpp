#include "platform/BinaryMemoryReader.h"

namespace detail {

MemoryStreamBuffer::MemoryStreamBuffer(const std::uint8_t* data, std::size_t size) {
    // The get area is never written through: the buffer has no put area and no putback.
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
    if (!begin) size = 0;
    setg(begin, begin, begin + size);
}

}  // namespace detail

BinaryMemoryReader::BinaryMemoryReader(const std::uint8_t* data, std::size_t size)
    : detail::MemoryStreamHolder(data, size), BinaryDataReader(input) {}
