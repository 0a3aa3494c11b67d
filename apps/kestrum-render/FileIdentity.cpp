#include "FileIdentity.h"

#include <sys/stat.h>

#include <filesystem>

FileIdentity::FileIdentity(const std::string& path) {
    if (path.empty() || path == "-") return;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        exists_ = true;
        key_ = "inode:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        return;
    }
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    key_ = "path:" + (ec ? path : resolved.string());
}
