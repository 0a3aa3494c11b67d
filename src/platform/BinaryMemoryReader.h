#pragma once
#include <cstddef>
#include <cstdint>
#include <istream>
#include <streambuf>

#include "platform/BinaryDataReader.h"

namespace detail {
// A read-only stream buffer over bytes it does not own or copy.
class MemoryStreamBuffer : public std::streambuf {
public:
    MemoryStreamBuffer(const std::uint8_t* data, std::size_t size);
};

// Holds the buffer and the stream so both exist before the reader base that refers to them.
struct MemoryStreamHolder {
    MemoryStreamHolder(const std::uint8_t* data, std::size_t size) : buffer(data, size), input(&buffer) {}
    MemoryStreamBuffer buffer;
    std::istream input;
};
}  // namespace detail

// A BinaryDataReader over bytes in memory (a host's state chunk, for example). The bytes must
// outlive the reader; reading past their end fails the stream like a short file.
class BinaryMemoryReader : private detail::MemoryStreamHolder, public BinaryDataReader {
public:
    BinaryMemoryReader(const std::uint8_t* data, std::size_t size);
    ~BinaryMemoryReader() override = default;
};
