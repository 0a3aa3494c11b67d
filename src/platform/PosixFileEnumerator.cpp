#include "platform/PosixFileEnumerator.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

PosixFileEnumerator::PosixFileEnumerator(const std::string& pattern, bool directoriesOnly)
    : directoriesOnly_(directoriesOnly) {
    std::string folder;
    const std::size_t slash = pattern.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        filePattern_ = pattern;
    } else {
        folder = slash == 0 ? std::string("/") : pattern.substr(0, slash);
        filePattern_ = pattern.substr(slash + 1);
    }
    // An empty file part matches nothing, so there is no need to open the folder.
    if (!filePattern_.empty()) dir_ = opendir(folder.c_str());
}

PosixFileEnumerator::~PosixFileEnumerator() {
    if (dir_) closedir(dir_);
}

bool PosixFileEnumerator::next() {
    name_.clear();
    isDirectory_ = false;
    if (!dir_) return false;
    while (const dirent* entry = readdir(dir_)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        if (fnmatch(filePattern_.c_str(), name, FNM_PERIOD | FNM_CASEFOLD) != 0) continue;
        const bool directory = entryIsDirectory(name, entry->d_type);
        if (directoriesOnly_ && !directory) continue;
        name_ = name;
        isDirectory_ = directory;
        return true;
    }
    // Done: release the folder handle early, the enumerator may live on.
    closedir(dir_);
    dir_ = nullptr;
    return false;
}

bool PosixFileEnumerator::entryIsDirectory(const char* name, unsigned char type) const {
    if (type == DT_DIR) return true;
    if (type != DT_UNKNOWN && type != DT_LNK) return false;
    // Unknown type (some file systems) or a link: ask for the target's type.
    struct stat info {};
    if (fstatat(dirfd(dir_), name, &info, 0) != 0) return false;
    return S_ISDIR(info.st_mode);
}
