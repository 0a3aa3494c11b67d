#pragma once
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

// Writes raw little-endian int32 and float32 values and 4-byte tags to a byte stream it does not
// own. A failed write leaves the stream in its fail state; good() tells the caller.
class BinaryDataWriter {
public:
    explicit BinaryDataWriter(std::ostream& out) : out_(&out) {}
    virtual ~BinaryDataWriter() = default;
    BinaryDataWriter(const BinaryDataWriter&) = delete;
    BinaryDataWriter& operator=(const BinaryDataWriter&) = delete;

    void writeInt(std::int32_t value);
    void writeFloat(float value);
    // Exactly four bytes: the first four characters of tag; a shorter tag fails the stream, since
    // it could never be read back as the same magic.
    void writeTag(const std::string& tag);
    void writeBytes(const void* data, std::size_t size);
    // The 8-byte header: magic and version.
    void writeHeader(const std::string& magic, std::int32_t version);

    bool good() const { return !out_->fail(); }
    std::ostream& stream() { return *out_; }

private:
    std::ostream* out_;
};
