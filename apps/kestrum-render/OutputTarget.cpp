#include "OutputTarget.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "TemporaryFiles.h"

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows a chain of symbolic links to the path it ends at (which need not exist yet).
bool followLinks(std::string path, std::string& resolved, std::string& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = path;
            return true;
        }
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t n = readlink(path.c_str(), target.data(), PATH_MAX);
        if (n <= 0) break;
        std::string next(target.data(), static_cast<size_t>(n));
        path = next[0] == '/' ? next : folderOf(path) + "/" + next;
    }
    error = "cannot follow the symbolic link '" + path + "'";
    return false;
}

unsigned creationMode() {
    // The permissions a new file gets under this process's umask (read once, before any thread).
    static const unsigned mode = [] {
        const mode_t mask = umask(022);
        umask(mask);
        return 0666u & ~static_cast<unsigned>(mask);
    }();
    return mode;
}

}  // namespace

OutputTarget::~OutputTarget() { discard(); }

bool OutputTarget::resolve(const std::string& path, bool streamable, std::string& error) {
    path_ = path;
    streamable_ = streamable;
    creationMode();
    if (path == "-") {
        kind_ = Kind::StandardOutput;
        destination_ = path;
        if (isatty(STDOUT_FILENO)) {
            error = "standard output is a terminal; redirect it to a file or a pipe to write audio there";
            return false;
        }
        struct stat st {};
        if (fstat(STDOUT_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) && !streamable) {
            error = "standard output is a pipe, and this file type needs a seekable file; use --type flac or --type ogg";
            return false;
        }
        return true;
    }
    if (path.empty()) {
        error = "the output path is empty";
        return false;
    }
    if (!followLinks(path, destination_, error)) return false;
    struct stat st {};
    if (stat(destination_.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            error = "cannot write '" + path + "': " + std::strerror(errno);
            return false;
        }
        const std::string folder = folderOf(destination_);
        struct stat dir {};
        if (stat(folder.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
            error = "cannot write '" + path + "': the folder '" + folder + "' does not exist";
            return false;
        }
        if (access(folder.c_str(), W_OK) != 0) {
            error = "cannot write '" + path + "': the folder '" + folder + "' is not writable";
            return false;
        }
        kind_ = Kind::NewFile;
        mode_ = creationMode();
        return true;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "cannot write '" + path + "': it is a folder";
        return false;
    }
    if (S_ISBLK(st.st_mode)) {
        error = "will not write audio over the disk device '" + path + "'";
        return false;
    }
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        kind_ = Kind::Stream;
        if (!S_ISCHR(st.st_mode) && !streamable) {
            error = "'" + path + "' is a FIFO, and this file type needs a seekable file; use --type flac or --type ogg";
            return false;
        }
        return true;
    }
    if ((st.st_mode & 0222) == 0 || access(destination_.c_str(), W_OK) != 0) {
        error = "'" + path + "' is read-only; it was left as it is";
        return false;
    }
    const std::string folder = folderOf(destination_);
    if (access(folder.c_str(), W_OK) != 0) {
        error = "cannot replace '" + path + "': the folder '" + folder + "' is not writable";
        return false;
    }
    kind_ = Kind::ReplaceFile;
    mode_ = st.st_mode & 07777;
    owner_ = static_cast<int>(st.st_uid);
    group_ = static_cast<int>(st.st_gid);
    return true;
}

int OutputTarget::open(std::string& error) {
    if (kind_ == Kind::StandardOutput) {
        const int fd = dup(STDOUT_FILENO);
        if (fd < 0) error = "cannot write to standard output: " + std::string(std::strerror(errno));
        return fd;
    }
    if (kind_ == Kind::Stream) {
        const int fd = ::open(destination_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = "cannot write '" + path_ + "': " + std::strerror(errno);
            return -1;
        }
        if (!streamable_ && lseek(fd, 0, SEEK_CUR) < 0) {
            ::close(fd);
            error = "'" + path_ + "' cannot seek, and this file type needs that; use --type flac or --type ogg";
            return -1;
        }
        return fd;
    }
    std::string pattern = destination_ + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write '" + path_ + "': " + std::strerror(errno);
        return -1;
    }
    temporary_ = name.data();
    TemporaryFiles::add(temporary_.c_str());
    fchmod(fd, mode_);
    if (kind_ == Kind::ReplaceFile && (owner_ != static_cast<int>(geteuid()) || group_ != static_cast<int>(getegid()))) {
        // Only possible for root; anyone else keeps the file as their own.
        if (fchown(fd, static_cast<uid_t>(owner_), static_cast<gid_t>(group_)) != 0) fchmod(fd, mode_);
    }
    return fd;
}

bool OutputTarget::commit(std::string& error) {
    if (temporary_.empty()) return true;
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        error = "cannot replace '" + path_ + "': " + std::strerror(errno);
        discard();
        return false;
    }
    TemporaryFiles::release(temporary_.c_str());
    temporary_.clear();
    return true;
}

void OutputTarget::discard() {
    if (temporary_.empty()) return;
    std::remove(temporary_.c_str());
    TemporaryFiles::release(temporary_.c_str());
    temporary_.clear();
}
