#include "platform/BinaryDataWriter.h"

#include <cstring>

void BinaryDataWriter::writeInt(std::int32_t value) {
    std::uint32_t u = static_cast<std::uint32_t>(value);
    unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                          static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    writeBytes(b, 4);
}

void BinaryDataWriter::writeFloat(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeInt(static_cast<std::int32_t>(bits));
}

void BinaryDataWriter::writeTag(const std::string& tag) {
    if (tag.size() < 4) {
        out_->setstate(std::ios::failbit);
        return;
    }
    writeBytes(tag.data(), 4);
}

void BinaryDataWriter::writeBytes(const void* data, std::size_t size) {
    if (out_->fail()) return;
    out_->write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void BinaryDataWriter::writeHeader(const std::string& magic, std::int32_t version) {
    writeTag(magic);
    writeInt(version);
}
