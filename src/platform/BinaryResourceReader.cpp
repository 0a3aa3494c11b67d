#include "platform/BinaryResourceReader.h"

#include "platform/EResource.h"

namespace detail {

MemoryStreamBuf::MemoryStreamBuf(const unsigned char* data, std::size_t size) {
    // The get area is never written through; std::streambuf just wants non-const pointers.
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(data));
    setg(begin, begin, begin + size);
}

std::streambuf::pos_type MemoryStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                  std::ios_base::openmode which) {
    if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
    off_type base = dir == std::ios_base::beg   ? 0
                    : dir == std::ios_base::cur ? gptr() - eback()
                                                : egptr() - eback();
    off_type target = base + off;
    if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
}

std::streambuf::pos_type MemoryStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

ResourceStreamHolder::ResourceStreamHolder(const std::string& name, ResourceStore::Match match,
                                           const ResourceStore& store)
    : resource(store.find(name, match)) {
    if (resource) {
        buffer = std::make_unique<MemoryStreamBuf>(resource->data, resource->size);
        input = std::make_unique<std::istream>(buffer.get());
        return;
    }
    auto file = std::make_unique<std::ifstream>(name, std::ios::in | std::ios::binary);
    if (!file->is_open()) throw EResource(name);
    input = std::move(file);
}

ResourceStreamHolder::ResourceStreamHolder(ResourceStore::Resource found) : resource(std::move(found)) {
    buffer = std::make_unique<MemoryStreamBuf>(resource->data, resource->size);
    input = std::make_unique<std::istream>(buffer.get());
}

}  // namespace detail

BinaryResourceReader::BinaryResourceReader(const std::string& name, ResourceStore::Match match,
                                           const ResourceStore& store)
    : detail::ResourceStreamHolder(name, match, store), BinaryDataReader(*input) {}

BinaryResourceReader::BinaryResourceReader(ResourceStore::Resource found)
    : detail::ResourceStreamHolder(std::move(found)), BinaryDataReader(*input) {}
