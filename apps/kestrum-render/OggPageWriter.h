#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Passes an Ogg stream on to a file descriptor page by page, with every page's stream serial number
// replaced by a fixed one and its checksum recomputed. libsndfile picks the serial at random, so
// without this the same render would give different bytes each time.
class OggPageWriter {
public:
    static constexpr uint32_t kSerial = 0x4b53524eu;

    explicit OggPageWriter(int fd) : fd_(fd) {}

    // Takes bytes as the encoder writes them; whole pages go out at once. Returns false when the
    // descriptor refused them.
    bool write(const void* data, size_t size);
    // Writes whatever is left (a stream always ends on a whole page, so normally nothing).
    bool flush();
    // Bytes accepted so far.
    long long position() const { return accepted_; }

    // The Ogg checksum (CRC-32, polynomial 0x04c11db7, not reflected, starting from 0).
    static uint32_t checksum(const uint8_t* data, size_t size);

private:
    bool writeOut(const uint8_t* data, size_t size);

    int fd_;
    std::vector<uint8_t> pending_;
    long long accepted_ = 0;
    bool failed_ = false;
};
