#pragma once
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

// Reads the program's binary files: raw little-endian int32 and float32 values and 4-byte tags
// from a byte stream it does not own. A read that runs short sets the stream's fail state and
// returns zero; once failed, every further read returns zero, so a loader can read on and check
// good() at the end. The reader also keeps the version of the last header read (-1 before).
class BinaryDataReader {
public:
    explicit BinaryDataReader(std::istream& in) : in_(&in) {}
    virtual ~BinaryDataReader() = default;
    BinaryDataReader(const BinaryDataReader&) = delete;
    BinaryDataReader& operator=(const BinaryDataReader&) = delete;

    std::int32_t readInt();
    float readFloat();
    // Four raw bytes as a string; empty when the stream failed.
    std::string readTag();
    // Reads exactly size bytes; false (and the fail state) when fewer are available.
    bool readBytes(void* destination, std::size_t size);

    int getVersion() const { return version_; }
    void setVersion(int version) { version_ = version; }

    // True while no read has failed.
    bool good() const { return !in_->fail(); }
    std::istream& stream() { return *in_; }

private:
    std::istream* in_;
    int version_ = -1;
};

// Reads the 8-byte header (4-byte magic, int32 version): returns the magic and stores the version
// in the reader. When the stream failed, the magic is empty (so it matches nothing) and the stored
// version is -1.
std::string readHeader(BinaryDataReader& reader);
