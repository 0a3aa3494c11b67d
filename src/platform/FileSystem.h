#pragma once
#include <cstddef>
#include <string>

// Small file-system services for code that installs files: folder creation, existence checks and
// writing a file so that it appears complete or not at all. Paths are plain POSIX paths.
class FileSystem {
public:
    // True when something (file, folder, other) exists at the path; a dangling link counts too.
    static bool exists(const std::string& path);
    static bool isDirectory(const std::string& path);
    // Creates the folder and any missing parents. True when the path is a folder afterwards.
    static bool createFolders(const std::string& path);
    // Writes the bytes to a temporary file in the target's folder, flushes it to disk and renames
    // it over the target, so the target is either the old file or the complete new one, never a
    // partial write. False (and the temporary file removed) when any step fails.
    static bool writeAtomically(const std::string& path, const void* data, std::size_t size);
};
