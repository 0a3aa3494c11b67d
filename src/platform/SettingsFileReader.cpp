#include "platform/SettingsFileReader.h"

#include <cstdlib>

SettingsFileReader::SettingsFileReader(const std::string& path) : file_(path.empty() ? SettingsFile{} : SettingsFile::load(path)) {}

void SettingsFileReader::binaryValue(const std::string& name, std::vector<std::uint8_t>& bytes) {
    const SettingsFile::Value* v = file_.find(name);
    if (v && v->type == SettingsFile::Type::Binary) bytes.assign(v->text.begin(), v->text.end());
}

int SettingsFileReader::intValue(const std::string& name, int, int defaultValue) {
    const SettingsFile::Value* v = file_.find(name);
    if (!v || v->type != SettingsFile::Type::Dword) return defaultValue;
    return static_cast<int>(std::strtol(v->text.c_str(), nullptr, 10));  // checked when parsed
}

std::string SettingsFileReader::stringValue(const std::string& name, const std::string&, const std::string& defaultValue) {
    const SettingsFile::Value* v = file_.find(name);
    return v && v->type == SettingsFile::Type::String ? v->text : defaultValue;
}
