#pragma once
// Builds the bytes of binary files for tests, and a scratch folder that removes itself.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/BinaryDataWriter.h"

class FileBytes {
public:
    FileBytes() : writer_(out_) {}
    FileBytes& tag(const std::string& t) {
        writer_.writeBytes(t.data(), t.size());
        return *this;
    }
    FileBytes& i32(std::int32_t v) {
        writer_.writeInt(v);
        return *this;
    }
    FileBytes& f32(float v) {
        writer_.writeFloat(v);
        return *this;
    }
    FileBytes& header(const std::string& magic, std::int32_t version) { return tag(magic).i32(version); }
    // A preset: header, count (the number of values unless given) and the values.
    FileBytes& preset(const std::string& magic, std::int32_t version, const std::vector<float>& values,
                      std::optional<std::int32_t> count = std::nullopt) {
        header(magic, version).i32(count.value_or(static_cast<std::int32_t>(values.size())));
        for (float v : values) f32(v);
        return *this;
    }
    std::string str() const { return out_.str(); }

private:
    std::ostringstream out_;
    BinaryDataWriter writer_;
};

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("kestrum-presets-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream f(file(name), std::ios::binary);
        f << bytes;
        return file(name);
    }
    static std::string read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};
