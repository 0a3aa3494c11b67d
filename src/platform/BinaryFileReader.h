#pragma once
#include <fstream>
#include <string>

#include "platform/BinaryDataReader.h"

namespace detail {
// Holds the file stream so it is constructed before the reader base that refers to it.
struct InputFileHolder {
    explicit InputFileHolder(const std::string& path) : file(path, std::ios::in | std::ios::binary) {}
    std::ifstream file;
};
}  // namespace detail

// A BinaryDataReader over a file it opens in binary mode. A file that cannot be opened leaves the
// reader failed, so every read returns zero and a load reports failure.
class BinaryFileReader : private detail::InputFileHolder, public BinaryDataReader {
public:
    explicit BinaryFileReader(const std::string& path);
    ~BinaryFileReader() override = default;

    bool isOpen() const { return file.is_open(); }
};
