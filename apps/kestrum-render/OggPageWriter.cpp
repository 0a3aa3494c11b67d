#include "OggPageWriter.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 27;  // up to and with the segment count

std::array<uint32_t, 256> makeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
        table[i] = r;
    }
    return table;
}

void putLittle32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

uint32_t OggPageWriter::checksum(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = makeTable();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xff];
    return crc;
}

bool OggPageWriter::write(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    pending_.insert(pending_.end(), bytes, bytes + size);
    accepted_ += static_cast<long long>(size);
    // Hand on every complete page at the front of what is pending.
    size_t start = 0;
    while (pending_.size() - start >= kHeaderSize && std::memcmp(pending_.data() + start, "OggS", 4) == 0) {
        uint8_t* page = pending_.data() + start;
        const size_t segments = page[26];
        if (pending_.size() - start < kHeaderSize + segments) break;
        size_t body = 0;
        for (size_t s = 0; s < segments; ++s) body += page[kHeaderSize + s];
        const size_t length = kHeaderSize + segments + body;
        if (pending_.size() - start < length) break;
        putLittle32(page + 14, kSerial);
        putLittle32(page + 22, 0);
        putLittle32(page + 22, checksum(page, length));
        if (!writeOut(page, length)) return false;
        start += length;
    }
    // Anything that is not a page is passed on unchanged.
    if (pending_.size() - start >= 4 && std::memcmp(pending_.data() + start, "OggS", 4) != 0) {
        if (!writeOut(pending_.data() + start, pending_.size() - start)) return false;
        start = pending_.size();
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
    return !failed_;
}

bool OggPageWriter::flush() {
    if (!pending_.empty() && !writeOut(pending_.data(), pending_.size())) return false;
    pending_.clear();
    return !failed_;
}

bool OggPageWriter::writeOut(const uint8_t* data, size_t size) {
    while (size > 0 && !failed_) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return !failed_;
}
