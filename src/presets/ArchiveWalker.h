#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Reads the factory content archive: a little-endian byte stream of a 53-byte header (magic
// "ZS/ISB/3", then length, checksum, date and file count, which are informative only, and 25
// reserved bytes) followed by a list of entries. Each entry has a 76-byte head: a name length
// (0..67), 67 name bytes, a signed 32-bit size and a signed 32-bit second field. A directory
// (second field -1) is followed by its own entry list and its size is the byte length of that
// list; a file is followed by its size in bytes of one zlib stream that inflates to the second
// field's length. Every list ends with a head whose name length is 0.
//
// The walker finds one top-level directory by skipping entries by their size fields and reports
// everything below it to a Visitor. It never reads outside the given bytes: an entry must fit in
// the list that holds it, nesting is limited, and names that could leave the destination folder
// ("", ".", "..", or holding '/', '\' or NUL) are refused. A refused or failed entry makes the
// result Incomplete and the walk continues after it, as long as its size field locates the next.
class ArchiveWalker {
public:
    static constexpr char kMagic[] = "ZS/ISB/3";
    static constexpr std::size_t kMagicSize = 8;
    static constexpr std::size_t kHeaderSize = 53;
    static constexpr std::size_t kHeadSize = 76;
    static constexpr std::size_t kNameCapacity = 67;
    static constexpr std::int32_t kDirectoryMark = -1;
    // Folders below the branch that are walked; deeper ones are refused.
    static constexpr int kMaxDepth = 32;
    // No file of ours comes near this; a larger length is damage, not content.
    static constexpr std::size_t kMaxFileLength = std::size_t{64} << 20;
    // Deflate cannot expand data by more than about 1032 to 1, so a length beyond that ratio to
    // the compressed size is refused before any memory is reserved for it.
    static constexpr std::size_t kMaxInflateRatio = 1032;

    // One file entry, with its path below the branch ('/'-separated) and its compressed bytes.
    struct File {
        std::string relativePath;
        std::span<const std::uint8_t> compressed;
        std::size_t length = 0;  // uncompressed
    };

    class Visitor {
    public:
        virtual ~Visitor() = default;
        // A folder is about to be walked; the branch itself comes first, with an empty path.
        // False skips the folder's entries and makes the walk incomplete.
        virtual bool enterFolder(const std::string& relativePath) = 0;
        // Returns whether the file was handled.
        virtual bool visitFile(const File& file) = 0;
        // False ends the walk early (a reader that found what it wanted).
        virtual bool wantsMore() const { return true; }
    };

    enum class Result {
        Complete,    // every entry was well formed and handled
        Incomplete,  // the branch was walked, but some entry was refused or failed
        NotFound     // the bytes are not an archive, or it has no such top-level directory
    };

    // The bytes must outlive the walker.
    explicit ArchiveWalker(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    Result walkBranch(const std::string& branchName, Visitor& visitor) const;

    // Inflates a file's data in one call into exactly its length. Empty when the stream is
    // damaged or does not end exactly at that length.
    static std::optional<std::vector<std::uint8_t>> inflateFile(const File& file);

    // A name that is safe as one path component.
    static bool isSafeName(const std::string& name);

private:
    struct Head {
        std::size_t nameLength = 0;
        std::string name;
        std::int32_t size = 0;
        std::int32_t second = 0;
        std::size_t dataBegin = 0;
    };

    Head readHead(std::size_t at) const;
    std::int32_t readInt(std::size_t at) const;
    bool walkFolder(std::size_t begin, std::size_t end, const std::string& path, int depth, Visitor& visitor) const;
    bool walkList(std::size_t begin, std::size_t end, const std::string& path, int depth, Visitor& visitor) const;
    bool visitFileEntry(const Head& head, const std::string& path, Visitor& visitor) const;

    std::span<const std::uint8_t> bytes_;
};
