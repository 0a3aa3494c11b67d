#pragma once
#include <dirent.h>

#include <string>

#include "platform/FileEnumerator.h"

// Enumerates a folder with opendir/readdir and matches names with fnmatch. The pattern's folder
// part (up to the last '/', the working folder when there is none) is opened; its file part is
// matched against each name, ignoring letter case, so "*.zxp" also finds "Lead.ZXP" copied from a
// system that does not care about case. Names starting with '.' match only a pattern that starts
// with '.' too, which keeps hidden files and folders out of listings. With directoriesOnly, only
// folders (and links to folders) are listed; otherwise files and folders both are. A folder that
// is missing or unreadable yields no entries.
class PosixFileEnumerator final : public FileEnumerator {
public:
    PosixFileEnumerator(const std::string& pattern, bool directoriesOnly);
    ~PosixFileEnumerator() override;
    PosixFileEnumerator(const PosixFileEnumerator&) = delete;
    PosixFileEnumerator& operator=(const PosixFileEnumerator&) = delete;

    bool next() override;
    std::string getName() const override { return name_; }
    // Whether the current entry is a folder (or a link to one).
    bool isDirectory() const { return isDirectory_; }

private:
    bool entryIsDirectory(const char* name, unsigned char type) const;

    DIR* dir_ = nullptr;
    std::string filePattern_;
    bool directoriesOnly_;
    std::string name_;
    bool isDirectory_ = false;
};
