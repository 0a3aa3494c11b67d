#pragma once
#include <fstream>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

#include "platform/BinaryDataReader.h"
#include "platform/ResourceStore.h"

namespace detail {
// A read-only, seekable stream buffer over bytes in memory (no copy).
class MemoryStreamBuf : public std::streambuf {
public:
    MemoryStreamBuf(const unsigned char* data, std::size_t size);

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
};

// Holds the stream so it exists before the reader base that refers to it: the embedded bytes when
// the store has the resource, otherwise a file of that name.
struct ResourceStreamHolder {
    ResourceStreamHolder(const std::string& name, ResourceStore::Match match, const ResourceStore& store);
    explicit ResourceStreamHolder(ResourceStore::Resource found);
    std::optional<ResourceStore::Resource> resource;
    std::unique_ptr<MemoryStreamBuf> buffer;
    std::unique_ptr<std::istream> input;
};
}  // namespace detail

// Reads a named resource: the data registered in the resource store under that name (ignoring
// case; optionally ignoring the extension too), or else a file of that name. Raises EResource
// ("Resource not found") when neither exists.
class BinaryResourceReader : private detail::ResourceStreamHolder, public BinaryDataReader {
public:
    explicit BinaryResourceReader(const std::string& name,
                                  ResourceStore::Match match = ResourceStore::Match::ExactName,
                                  const ResourceStore& store = ResourceStore::instance());
    // Reads a resource already looked up in a store.
    explicit BinaryResourceReader(ResourceStore::Resource resource);
    ~BinaryResourceReader() override = default;

    // True when the data came from the store rather than from a file.
    bool isEmbedded() const { return resource.has_value(); }
};
