// Build step: packs a folder tree into the factory content archive the program embeds.
//
//   kestrum_factory_archive OUTPUT TREE_DIR
//
// The children of TREE_DIR become the archive's top-level entries (ApplicationData and
// FactoryPresets). Entries are written in byte order of their names and the date comes from
// SOURCE_DATE_EPOCH (or a fixed day), so the same tree always gives the same bytes. Names longer
// than the layout allows, or that could not be extracted safely, stop the build.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "presets/ArchiveWalker.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// 2026-01-01 00:00 UTC, the date of archives built without SOURCE_DATE_EPOCH.
constexpr long long kFixedEpochSeconds = 1767225600;
// Days from the OLE automation epoch (1899-12-30) to the Unix epoch.
constexpr double kOleDaysAtUnixEpoch = 25569.0;
constexpr std::int32_t kReservedFirst = -100;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void putInt(Bytes& out, std::int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX) throw Failure("a size does not fit the archive's 32-bit fields");
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void setInt(Bytes& out, std::size_t at, std::uint32_t bits) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void putHead(Bytes& out, const std::string& name, std::int64_t size, std::int64_t second) {
    out.push_back(static_cast<std::uint8_t>(name.size()));
    const std::size_t nameStart = out.size();
    out.resize(nameStart + ArchiveWalker::kNameCapacity, 0);
    std::memcpy(out.data() + nameStart, name.data(), name.size());
    putInt(out, size);
    putInt(out, second);
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot read " + path.string());
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure("cannot read " + path.string());
    return bytes;
}

Bytes deflateBytes(const Bytes& data, const fs::path& path) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw Failure("cannot compress " + path.string());
    out.resize(size);
    return out;
}

std::string checkedName(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.size() > ArchiveWalker::kNameCapacity)
        throw Failure("the name \"" + name + "\" is " + std::to_string(name.size()) + " bytes long; at most " +
                      std::to_string(ArchiveWalker::kNameCapacity) + " fit (" + path.string() + ")");
    if (!ArchiveWalker::isSafeName(name)) throw Failure("the name \"" + name + "\" cannot be stored (" + path.string() + ")");
    return name;
}

// The entry list of a folder: each child's head and contents in name order, then a terminator.
Bytes encodeList(const fs::path& folder, std::int64_t& fileCount) {
    std::vector<fs::path> children;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) children.push_back(entry.path());
    std::sort(children.begin(), children.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
    Bytes out;
    for (const fs::path& child : children) {
        const std::string name = checkedName(child);
        if (fs::is_directory(child)) {
            const Bytes nested = encodeList(child, fileCount);
            putHead(out, name, static_cast<std::int64_t>(nested.size()), ArchiveWalker::kDirectoryMark);
            out.insert(out.end(), nested.begin(), nested.end());
        } else if (fs::is_regular_file(child)) {
            const Bytes data = readFile(child);
            if (data.size() > ArchiveWalker::kMaxFileLength)
                throw Failure(child.string() + " is larger than the " +
                              std::to_string(ArchiveWalker::kMaxFileLength >> 20) + " MB a factory file may hold");
            const Bytes packed = deflateBytes(data, child);
            putHead(out, name, static_cast<std::int64_t>(packed.size()), static_cast<std::int64_t>(data.size()));
            out.insert(out.end(), packed.begin(), packed.end());
            ++fileCount;
        } else {
            throw Failure(child.string() + " is neither a file nor a folder");
        }
    }
    putHead(out, std::string(), 0, 0);
    return out;
}

double archiveDate() {
    long long seconds = kFixedEpochSeconds;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        seconds = std::strtoll(epoch, &end, 10);
        if (*end != '\0') throw Failure("SOURCE_DATE_EPOCH is not a number of seconds");
    }
    return kOleDaysAtUnixEpoch + static_cast<double>(seconds) / 86400.0;
}

Bytes buildArchive(const fs::path& tree) {
    if (!fs::is_directory(tree)) throw Failure(tree.string() + " is not a folder");
    std::int64_t fileCount = 0;
    const Bytes entries = encodeList(tree, fileCount);

    Bytes out(ArchiveWalker::kMagic, ArchiveWalker::kMagic + ArchiveWalker::kMagicSize);
    putInt(out, 0);  // length and checksum, filled in below
    putInt(out, 0);
    const double date = archiveDate();
    std::uint64_t dateBits = 0;
    std::memcpy(&dateBits, &date, sizeof date);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(dateBits >> (8 * i)));
    putInt(out, fileCount);
    putInt(out, kReservedFirst);
    putInt(out, 1);
    putInt(out, 1);
    out.resize(ArchiveWalker::kHeaderSize, 0);
    out.insert(out.end(), entries.begin(), entries.end());

    // Length and Adler-32 of everything after the first 28 bytes.
    constexpr std::size_t kCovered = 28;
    const std::size_t coveredSize = out.size() - kCovered;
    if (coveredSize > UINT32_MAX) throw Failure("the tree is too large for one archive");
    const uLong adler = adler32(adler32(0L, Z_NULL, 0), out.data() + kCovered, static_cast<uInt>(coveredSize));
    setInt(out, 8, static_cast<std::uint32_t>(coveredSize));
    setInt(out, 12, static_cast<std::uint32_t>(adler));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kestrum_factory_archive OUTPUT TREE_DIR\n";
        return 2;
    }
    const fs::path output = argv[1];
    try {
        const Bytes archive = buildArchive(argv[2]);
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
        out.close();
        if (!out) throw Failure("cannot write " + output.string());
    } catch (const std::exception& e) {
        std::error_code ignored;
        fs::remove(output, ignored);
        std::cerr << "kestrum_factory_archive: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
