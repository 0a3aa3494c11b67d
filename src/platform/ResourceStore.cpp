#include "platform/ResourceStore.h"

#include <algorithm>
#include <cstring>

ResourceStore& ResourceStore::instance() {
    // Filled on first use rather than by static constructors, so no initialisation order matters
    // and nothing in the static library needs to be referenced to be linked in.
    static ResourceStore store{InitEmbedded{}};
    return store;
}

ResourceStore::ResourceStore(InitEmbedded) {
    for (const Embedded& e : embedded()) registerResource(e.name, e.data, e.size);
}

void ResourceStore::registerResource(const std::string& name, const void* data, std::size_t size) {
    add(Resource{name, static_cast<const unsigned char*>(data), size, nullptr});
}

void ResourceStore::registerCopy(const std::string& name, const void* data, std::size_t size) {
    auto bytes = std::make_shared<std::vector<unsigned char>>(size);
    if (size) std::memcpy(bytes->data(), data, size);
    add(Resource{name, bytes->data(), size, bytes});
}

void ResourceStore::add(Resource resource) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Resource& r : resources_) {
        if (namesEqual(r.name, resource.name)) {
            r = std::move(resource);
            return;
        }
    }
    resources_.push_back(std::move(resource));
}

bool ResourceStore::unregister(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(resources_.begin(), resources_.end(),
                           [&](const Resource& r) { return namesEqual(r.name, name); });
    if (it == resources_.end()) return false;
    resources_.erase(it);
    return true;
}

std::optional<ResourceStore::Resource> ResourceStore::find(const std::string& name, Match match) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Resource& r : resources_)
        if (namesEqual(r.name, name)) return r;
    if (match == Match::ExactName) return std::nullopt;
    // An exact name wins; among names that differ only in their extension, registration order.
    const std::string stem = stripExtension(name);
    for (const Resource& r : resources_)
        if (namesEqual(stripExtension(r.name), stem)) return r;
    return std::nullopt;
}

std::vector<std::string> ResourceStore::names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> result;
    for (const Resource& r : resources_) result.push_back(r.name);
    return result;
}

bool ResourceStore::namesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string ResourceStore::stripExtension(const std::string& name) {
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}
