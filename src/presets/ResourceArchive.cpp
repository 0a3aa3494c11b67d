#include "presets/ResourceArchive.h"

#include "platform/FileSystem.h"

namespace {

// Writes the branch below a destination folder.
class Extractor : public ArchiveWalker::Visitor {
public:
    Extractor(std::string root, bool overwrite) : root_(std::move(root)), overwrite_(overwrite) {
        while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    }

    bool enterFolder(const std::string& relativePath) override {
        return FileSystem::createFolders(pathOf(relativePath));
    }

    bool visitFile(const ArchiveWalker::File& file) override {
        const std::string path = pathOf(file.relativePath);
        // Start-up installs keep what the user already has, edits included.
        if (!overwrite_ && FileSystem::exists(path) && !FileSystem::isDirectory(path)) return true;
        const std::optional<std::vector<std::uint8_t>> bytes = ArchiveWalker::inflateFile(file);
        if (!bytes) return false;
        return FileSystem::writeAtomically(path, bytes->data(), bytes->size());
    }

private:
    std::string pathOf(const std::string& relativePath) const {
        if (relativePath.empty()) return root_;
        return root_ == "/" ? root_ + relativePath : root_ + "/" + relativePath;
    }

    std::string root_;
    bool overwrite_;
};

class Lister : public ArchiveWalker::Visitor {
public:
    bool enterFolder(const std::string&) override { return true; }
    bool visitFile(const ArchiveWalker::File& file) override {
        paths.push_back(file.relativePath);
        return true;
    }
    std::vector<std::string> paths;
};

class Reader : public ArchiveWalker::Visitor {
public:
    explicit Reader(const std::string& wanted) : wanted_(wanted) {}
    bool enterFolder(const std::string&) override { return true; }
    bool visitFile(const ArchiveWalker::File& file) override {
        if (file.relativePath != wanted_) return true;
        found_ = true;
        contents = ArchiveWalker::inflateFile(file);
        return contents.has_value();
    }
    bool wantsMore() const override { return !found_; }
    std::optional<std::vector<std::uint8_t>> contents;

private:
    const std::string& wanted_;
    bool found_ = false;
};

}  // namespace

ResourceArchive::ResourceArchive(const ResourceStore& store) : store_(&store) {}

ResourceArchive::ResourceArchive(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

ArchiveWalker::Result ResourceArchive::walk(const std::string& branchName, ArchiveWalker::Visitor& visitor) const {
    if (!store_) return ArchiveWalker(bytes_).walkBranch(branchName, visitor);
    // The handle keeps the bytes alive for the whole walk, even if the resource is replaced.
    const std::optional<ResourceStore::Resource> resource = store_->find(kResourceName);
    if (!resource) return ArchiveWalker::Result::NotFound;
    return ArchiveWalker({resource->data, resource->size}).walkBranch(branchName, visitor);
}

bool ResourceArchive::extractBranch(const std::string& branchName, const std::string& destinationFolder,
                                    bool overwrite) const {
    // An empty destination would mean the working folder, which is never what a caller wants.
    if (destinationFolder.empty()) return false;
    Extractor extractor(destinationFolder, overwrite);
    return walk(branchName, extractor) == ArchiveWalker::Result::Complete;
}

bool ResourceArchive::installFactoryContent(const std::string& applicationDataFolder, const std::string& presetFolder,
                                            bool overwrite) const {
    // The section presets are a convenience; only the presets decide whether the install worked.
    extractBranch(kApplicationDataBranch, applicationDataFolder, overwrite);
    return extractBranch(kFactoryPresetsBranch, presetFolder, overwrite);
}

std::optional<std::vector<std::string>> ResourceArchive::listFiles(const std::string& branchName) const {
    Lister lister;
    if (walk(branchName, lister) == ArchiveWalker::Result::NotFound) return std::nullopt;
    return std::move(lister.paths);
}

std::optional<std::vector<std::uint8_t>> ResourceArchive::readFile(const std::string& branchName,
                                                                   const std::string& relativePath) const {
    Reader reader(relativePath);
    walk(branchName, reader);
    return std::move(reader.contents);
}
