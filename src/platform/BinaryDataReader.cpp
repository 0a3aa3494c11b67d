#include "platform/BinaryDataReader.h"

#include <cstring>

std::int32_t BinaryDataReader::readInt() {
    unsigned char b[4];
    if (!readBytes(b, 4)) return 0;
    // Assembled byte by byte so the file layout does not depend on the host's byte order.
    std::uint32_t u = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                      (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<std::int32_t>(u);
}

float BinaryDataReader::readFloat() {
    std::uint32_t bits = static_cast<std::uint32_t>(readInt());
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string BinaryDataReader::readTag() {
    char tag[4];
    if (!readBytes(tag, 4)) return std::string();
    return std::string(tag, 4);
}

bool BinaryDataReader::readBytes(void* destination, std::size_t size) {
    if (in_->fail()) {
        std::memset(destination, 0, size);
        return false;
    }
    in_->read(static_cast<char*>(destination), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in_->gcount()) != size) {
        // A partial value is worthless: report zero and leave the stream failed.
        std::memset(destination, 0, size);
        in_->setstate(std::ios::failbit);
        return false;
    }
    return true;
}

std::string readHeader(BinaryDataReader& reader) {
    std::string magic = reader.readTag();
    std::int32_t version = reader.readInt();
    if (!reader.good()) {
        reader.setVersion(-1);
        return std::string();
    }
    reader.setVersion(version);
    return magic;
}
