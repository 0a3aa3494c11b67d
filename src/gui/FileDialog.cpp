#include "gui/FileDialog.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "gui/ComponentHost.h"
#include "gui/PathEntryDialog.h"

extern char** environ;

namespace gui {

namespace {

// A running helper dialog; ending it early (the window closing) terminates the helper.
class HelperProcess {
public:
    HelperProcess(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
    ~HelperProcess() {
        if (fd_ >= 0) close(fd_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Reads what is available; true once the helper closed its output.
    bool readSome() {
        char buffer[1024];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            output_.append(buffer, std::size_t(n));
            return false;
        }
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
    }
    // Waits for the helper and returns the path it printed, if it ended with success.
    std::optional<std::string> finish() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        while (!output_.empty() && (output_.back() == '\n' || output_.back() == '\r')) output_.pop_back();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || output_.empty()) return std::nullopt;
        return output_;
    }
    int getFd() const { return fd_; }

private:
    pid_t pid_;
    int fd_;
    std::string output_;
};

std::unique_ptr<HelperProcess> spawnHelper(const std::vector<std::string>& command) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (result != 0) {
        close(pipeFds[0]);
        return nullptr;
    }
    fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    return std::make_unique<HelperProcess>(pid, pipeFds[0]);
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = folder + "/" + program;
        struct stat info {};
        if (!folder.empty() && stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string FileDialog::findHelper() {
    for (const char* program : {"zenity", "kdialog"})
        if (onPath(program)) return program;
    return {};
}

std::vector<std::string> FileDialog::helperCommand(const std::string& program, Mode mode, const std::string& title,
                                                   const std::string& initialPath) {
    if (program == "zenity") {
        std::vector<std::string> c = {"zenity", "--file-selection", "--title=" + title};
        if (mode == Mode::Save) c.insert(c.end(), {"--save", "--confirm-overwrite"});
        if (mode == Mode::Folder) c.push_back("--directory");
        if (!initialPath.empty()) {
            // zenity opens the folder a name is in; a folder itself is entered only with a slash.
            struct stat info {};
            const bool folder = stat(initialPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
            c.push_back("--filename=" + initialPath + (folder && initialPath.back() != '/' ? "/" : ""));
        }
        return c;
    }
    if (program == "kdialog") {
        const char* verb = mode == Mode::Open ? "--getopenfilename" : mode == Mode::Save ? "--getsavefilename" : "--getexistingdirectory";
        return {"kdialog", "--title", title, verb, initialPath.empty() ? "." : initialPath};
    }
    return {};
}

void FileDialog::show(ComponentHost& host, Mode mode, const std::string& title, const std::string& initialPath,
                      Callback onResult, Helper helper) {
    if (helper == Helper::Automatic) {
        const std::string program = findHelper();
        if (!program.empty()) {
            if (std::shared_ptr<HelperProcess> process = spawnHelper(helperCommand(program, mode, title, initialPath))) {
                const int fd = process->getFd();
                ComponentHost* owner = &host;
                // The watcher owns the process: a window that goes away ends the helper with it.
                host.watchFd(fd, [owner, fd, process, onResult] {
                    if (!process->readSome()) return;
                    std::optional<std::string> result = process->finish();
                    Callback callback = onResult;
                    owner->unwatchFd(fd);  // destroys this closure; only copies are used below
                    if (callback) callback(result);
                });
                return;
            }
        }
    }
    host.addOverlay(std::make_unique<PathEntryDialog>(mode, title, initialPath, std::move(onResult)));
}

}  // namespace gui
