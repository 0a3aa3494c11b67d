#include "platform/BinaryFileReader.h"

BinaryFileReader::BinaryFileReader(const std::string& path) : detail::InputFileHolder(path), BinaryDataReader(file) {
    if (!file.is_open()) file.setstate(std::ios::failbit);
}
