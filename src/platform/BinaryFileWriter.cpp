#include "platform/BinaryFileWriter.h"

BinaryFileWriter::BinaryFileWriter(const std::string& path) : detail::OutputFileHolder(path), BinaryDataWriter(file) {
    if (!file.is_open()) file.setstate(std::ios::failbit);
}

bool BinaryFileWriter::close() {
    if (file.is_open()) {
        file.flush();
        file.close();
    }
    return !file.fail();
}
