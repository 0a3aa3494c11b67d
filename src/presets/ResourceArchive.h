#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ResourceStore.h"
#include "presets/ArchiveWalker.h"

// The factory content: presets and section presets packed into one archive (see ArchiveWalker for
// its layout) that the program carries as the resource "WindowsSetupDocs". Installs its branches
// into the user's folders, or reads files straight out of it.
//
// Extraction creates folders as needed and writes each file through a temporary file in the same
// folder that is renamed into place, so an interrupted install never leaves a partial preset. A
// damaged file is skipped (nothing is written for it) and makes the result false; the other files
// are still written. Without overwrite an existing file is left as it is.
//
// Call from any thread but the audio thread: it allocates and does file I/O.
class ResourceArchive {
public:
    static constexpr const char* kResourceName = "WindowsSetupDocs";
    static constexpr const char* kApplicationDataBranch = "ApplicationData";
    static constexpr const char* kFactoryPresetsBranch = "FactoryPresets";

    // The archive of a resource store (the process-wide one by default), looked up on every call.
    explicit ResourceArchive(const ResourceStore& store = ResourceStore::instance());
    // An archive in memory; the bytes must outlive this object.
    explicit ResourceArchive(std::span<const std::uint8_t> bytes);

    // Writes the entries of the top-level directory branchName into destinationFolder itself
    // (created if missing). False, with nothing written, when there is no archive, it lacks the
    // magic or the branch; false also when any entry could not be written.
    bool extractBranch(const std::string& branchName, const std::string& destinationFolder, bool overwrite) const;

    // The ApplicationData branch into the application-data folder, then the FactoryPresets branch
    // into the preset folder. Returns the preset result only. The caller rescans its presets.
    bool installFactoryContent(const std::string& applicationDataFolder, const std::string& presetFolder,
                               bool overwrite) const;

    // The files of a branch as '/'-separated paths below it ("Synth/Acid Line.zxp"), in archive
    // order; refused entries are left out. Empty when the archive or the branch is missing.
    std::optional<std::vector<std::string>> listFiles(const std::string& branchName) const;

    // The contents of one file of a branch, by the path listFiles gives. Empty when missing or
    // damaged.
    std::optional<std::vector<std::uint8_t>> readFile(const std::string& branchName,
                                                      const std::string& relativePath) const;

private:
    ArchiveWalker::Result walk(const std::string& branchName, ArchiveWalker::Visitor& visitor) const;

    const ResourceStore* store_ = nullptr;
    std::span<const std::uint8_t> bytes_;
};
