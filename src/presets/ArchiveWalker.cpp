#include "presets/ArchiveWalker.h"

#include <zlib.h>

#include <cstring>
#include <limits>

std::int32_t ArchiveWalker::readInt(std::size_t at) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[at + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(value);
}

// The caller makes sure a whole head lies inside the bytes.
ArchiveWalker::Head ArchiveWalker::readHead(std::size_t at) const {
    Head head;
    head.nameLength = bytes_[at];
    if (head.nameLength <= kNameCapacity)
        head.name.assign(reinterpret_cast<const char*>(bytes_.data() + at + 1), head.nameLength);
    head.size = readInt(at + 1 + kNameCapacity);
    head.second = readInt(at + 1 + kNameCapacity + 4);
    head.dataBegin = at + kHeadSize;
    return head;
}

bool ArchiveWalker::isSafeName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

ArchiveWalker::Result ArchiveWalker::walkBranch(const std::string& branchName, Visitor& visitor) const {
    if (bytes_.size() < kMagicSize || std::memcmp(bytes_.data(), kMagic, kMagicSize) != 0) return Result::NotFound;
    const std::size_t end = bytes_.size();
    std::size_t at = kHeaderSize;
    while (at <= end && end - at >= kHeadSize) {
        const Head head = readHead(at);
        if (head.nameLength == 0) break;
        // A size that does not fit in what is left cannot locate the next entry.
        if (head.size < 0 || static_cast<std::size_t>(head.size) > end - head.dataBegin) break;
        const std::size_t next = head.dataBegin + static_cast<std::size_t>(head.size);
        if (head.second == kDirectoryMark && head.nameLength <= kNameCapacity && head.name == branchName)
            return walkFolder(head.dataBegin, next, std::string(), 0, visitor) ? Result::Complete : Result::Incomplete;
        at = next;
    }
    return Result::NotFound;
}

bool ArchiveWalker::walkFolder(std::size_t begin, std::size_t end, const std::string& path, int depth,
                               Visitor& visitor) const {
    if (depth > kMaxDepth) return false;
    if (!visitor.enterFolder(path)) return false;
    return walkList(begin, end, path, depth, visitor);
}

bool ArchiveWalker::walkList(std::size_t begin, std::size_t end, const std::string& path, int depth,
                             Visitor& visitor) const {
    bool ok = true;
    std::size_t at = begin;
    // The list ends at its terminator, or where its bytes run out.
    while (visitor.wantsMore() && end - at >= kHeadSize) {
        const Head head = readHead(at);
        if (head.nameLength == 0) break;
        if (head.size < 0 || static_cast<std::size_t>(head.size) > end - head.dataBegin) return false;
        const std::size_t next = head.dataBegin + static_cast<std::size_t>(head.size);
        if (head.nameLength > kNameCapacity || !isSafeName(head.name)) {
            ok = false;
        } else {
            const std::string childPath = path.empty() ? head.name : path + "/" + head.name;
            if (head.second == kDirectoryMark)
                ok = walkFolder(head.dataBegin, next, childPath, depth + 1, visitor) && ok;
            else
                ok = visitFileEntry(head, childPath, visitor) && ok;
        }
        // Whatever the child consumed, the next entry starts where this one's size says.
        at = next;
    }
    return ok;
}

bool ArchiveWalker::visitFileEntry(const Head& head, const std::string& path, Visitor& visitor) const {
    if (head.second < 0) return false;
    const auto compressedSize = static_cast<std::size_t>(head.size);
    const auto length = static_cast<std::size_t>(head.second);
    if (length > kMaxFileLength || length > compressedSize * kMaxInflateRatio) return false;
    return visitor.visitFile(File{path, bytes_.subspan(head.dataBegin, compressedSize), length});
}

std::optional<std::vector<std::uint8_t>> ArchiveWalker::inflateFile(const File& file) {
    if (file.length == 0) return std::vector<std::uint8_t>();
    if (file.length > kMaxFileLength || file.compressed.size() > std::numeric_limits<uInt>::max()) return std::nullopt;
    std::vector<std::uint8_t> out(file.length);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    // zlib does not write through next_in; its type only lacks the const.
    stream.next_in = const_cast<Bytef*>(file.compressed.data());
    stream.avail_in = static_cast<uInt>(file.compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&stream, Z_SYNC_FLUSH);
    const bool exact = status == Z_STREAM_END && stream.avail_out == 0;
    inflateEnd(&stream);
    if (!exact) return std::nullopt;
    return out;
}
