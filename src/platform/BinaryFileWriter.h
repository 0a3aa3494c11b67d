#pragma once
#include <fstream>
#include <string>

#include "platform/BinaryDataWriter.h"

namespace detail {
// Holds the file stream so it is constructed before the writer base that refers to it.
struct OutputFileHolder {
    explicit OutputFileHolder(const std::string& path)
        : file(path, std::ios::out | std::ios::binary | std::ios::trunc) {}
    std::ofstream file;
};
}  // namespace detail

// A BinaryDataWriter over a file it creates or truncates in binary mode. close() flushes and
// reports whether everything written reached the file.
class BinaryFileWriter : private detail::OutputFileHolder, public BinaryDataWriter {
public:
    explicit BinaryFileWriter(const std::string& path);
    ~BinaryFileWriter() override = default;

    bool isOpen() const { return file.is_open(); }
    bool close();
};
