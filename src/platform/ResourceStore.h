#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The program's named resources: filter tables, artwork, preset maps and the factory archive,
// compiled into the binary by the build (every file under resources/, named by its file name) and
// registered on first use of instance(). Names are compared without regard to ASCII case; a
// look-up may also compare names with their extensions (everything from the last '.') removed on
// both sides, so "One.fil", "ONE" and "one.dat" all find an embedded "One.fil".
//
// Safe to use from several threads; look-ups copy a small handle, never the data.
class ResourceStore {
public:
    struct Resource {
        std::string name;
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        std::shared_ptr<const void> keepAlive;  // owner of the bytes when they are not static
    };

    // One entry of the table the build generates.
    struct Embedded {
        const char* name;
        const unsigned char* data;
        std::size_t size;
    };

    enum class Match { ExactName, StripExtension };

    // The process-wide store, filled with the embedded resources on first use.
    static ResourceStore& instance();

    ResourceStore() = default;
    ResourceStore(const ResourceStore&) = delete;
    ResourceStore& operator=(const ResourceStore&) = delete;

    // Adds a resource whose bytes live at least as long as the store (static data). A resource of
    // the same name (ignoring case) is replaced.
    void registerResource(const std::string& name, const void* data, std::size_t size);
    // Adds a resource holding its own copy of the bytes.
    void registerCopy(const std::string& name, const void* data, std::size_t size);
    // Removes the resource of that name; false when there was none.
    bool unregister(const std::string& name);

    std::optional<Resource> find(const std::string& name, Match match = Match::ExactName) const;
    bool contains(const std::string& name, Match match = Match::ExactName) const {
        return find(name, match).has_value();
    }
    std::vector<std::string> names() const;

    static bool namesEqual(const std::string& a, const std::string& b);
    // The name without everything from its last '.'.
    static std::string stripExtension(const std::string& name);

private:
    struct InitEmbedded {};
    explicit ResourceStore(InitEmbedded);
    void add(Resource resource);

    // Defined in the source the build generates from resources/.
    static std::span<const Embedded> embedded();

    mutable std::mutex mutex_;
    std::vector<Resource> resources_;
};
