#pragma once
// Helpers for the factory archive tests: temporary folders, trees of files, the archive builder
// program, and hand-made archive bytes for damage the builder would never produce.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "presets/ArchiveWalker.h"

namespace archive_test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "kestrum-archive-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
        EXPECT_FALSE(path_.empty()) << "no temporary folder";
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

private:
    fs::path path_;
};

inline void writeFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::optional<Bytes> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Everything below a folder: files with their bytes, folders as "<dir>".
inline std::map<std::string, Bytes> snapshot(const fs::path& root) {
    std::map<std::string, Bytes> out;
    if (!fs::exists(root)) return out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(e.path(), root).string();
        out[relative] = e.is_directory() ? bytesOf("<dir>") : readBytes(e.path()).value_or(Bytes());
    }
    return out;
}

// Runs the archive builder; returns its exit status and leaves its messages in `messages`.
inline int runBuilder(const std::string& output, const std::string& tree, std::string* messages = nullptr,
                      const std::string& environment = "") {
    const fs::path log = fs::path(output).parent_path() / "builder.log";
    const std::string command = environment + " '" + std::string(KESTRUM_FACTORY_ARCHIVE_PROGRAM) + "' '" + output +
                                "' '" + tree + "' 2>'" + log.string() + "'";
    const int status = std::system(command.c_str());
    if (messages) {
        const Bytes text = readBytes(log).value_or(Bytes());
        messages->assign(text.begin(), text.end());
    }
    std::error_code ignored;
    fs::remove(log, ignored);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Builds an archive from a tree and returns its bytes.
inline Bytes buildArchive(const fs::path& tree, const fs::path& output) {
    EXPECT_EQ(runBuilder(output.string(), tree.string()), 0);
    return readBytes(output).value_or(Bytes());
}

// Hand-made archive pieces.
inline void putInt(Bytes& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

inline Bytes head(const std::string& name, std::int32_t size, std::int32_t second,
                  std::size_t declaredLength = std::string::npos) {
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(declaredLength == std::string::npos ? name.size() : declaredLength));
    Bytes nameBytes(ArchiveWalker::kNameCapacity, 0);
    std::memcpy(nameBytes.data(), name.data(), std::min(name.size(), nameBytes.size()));
    out.insert(out.end(), nameBytes.begin(), nameBytes.end());
    putInt(out, size);
    putInt(out, second);
    return out;
}

inline Bytes terminator() { return head("", 0, 0); }

inline Bytes deflated(const Bytes& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes fileEntry(const std::string& name, const Bytes& data) {
    const Bytes packed = deflated(data);
    return cat({head(name, static_cast<std::int32_t>(packed.size()), static_cast<std::int32_t>(data.size())), packed});
}

// A directory holding the given entries; the terminator is added here.
inline Bytes dirEntry(const std::string& name, const Bytes& entries) {
    const Bytes list = cat({entries, terminator()});
    return cat({head(name, static_cast<std::int32_t>(list.size()), ArchiveWalker::kDirectoryMark), list});
}

// The header and a terminated top-level list.
inline Bytes archive(const Bytes& entries, const char* magic = ArchiveWalker::kMagic) {
    Bytes out(magic, magic + ArchiveWalker::kMagicSize);
    out.resize(ArchiveWalker::kHeaderSize, 0);
    return cat({out, entries, terminator()});
}

}  // namespace archive_test
