#include "platform/SettingsFileWriter.h"

SettingsFileWriter::SettingsFileWriter(const std::string& path)
    : path_(path), file_(path.empty() ? SettingsFile{} : SettingsFile::load(path)) {}

SettingsFileWriter::~SettingsFileWriter() { commit(); }

void SettingsFileWriter::binaryValue(const std::string& name, std::vector<std::uint8_t>& bytes) {
    file_.set(name, {SettingsFile::Type::Binary, std::string(bytes.begin(), bytes.end())});
    dirty_ = true;
}

int SettingsFileWriter::intValue(const std::string& name, int current, int) {
    file_.set(name, {SettingsFile::Type::Dword, std::to_string(current)});
    dirty_ = true;
    return current;
}

std::string SettingsFileWriter::stringValue(const std::string& name, const std::string& current, const std::string&) {
    file_.set(name, {SettingsFile::Type::String, current});
    dirty_ = true;
    return current;
}

bool SettingsFileWriter::commit() {
    if (!dirty_) return true;
    if (path_.empty() || !file_.save(path_)) return false;
    dirty_ = false;
    return true;
}
