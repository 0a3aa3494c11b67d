#pragma once
#include <string>

// Tells whether two paths name the same file: the same device and inode for files that exist (so a
// hard link, a symbolic link or another spelling of the path is caught), the same resolved path
// for files that do not exist yet. Standard input and output ("-") are no file.
class FileIdentity {
public:
    explicit FileIdentity(const std::string& path);
    bool operator==(const FileIdentity& other) const { return !key_.empty() && key_ == other.key_; }
    bool exists() const { return exists_; }

private:
    std::string key_;
    bool exists_ = false;
};
