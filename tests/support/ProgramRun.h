#pragma once
// Runs a built program the way a user does: its arguments, an environment of the test's choosing,
// standard output and error captured in files, and the exit status.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

extern char** environ;

struct ProgramRun {
    int status = -1;  // the exit status, -1 when it did not exit normally
    std::string out, err;

    static std::string slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    // `captureFolder` must exist. Variables in `overrides` replace the inherited ones; an empty
    // value removes the variable.
    static ProgramRun run(const std::string& program, const std::vector<std::string>& args,
                          const std::string& captureFolder, const std::map<std::string, std::string>& overrides = {}) {
        const std::string outPath = captureFolder + "/stdout", errPath = captureFolder + "/stderr";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (!overrides.count(entry.substr(0, entry.find('=')))) env.push_back(entry);
        }
        for (const auto& [name, value] : overrides)
            if (!value.empty()) env.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        ProgramRun r;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            r.err = "cannot start " + program;
            return r;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(outPath);
        r.err = slurp(errPath);
        return r;
    }
};
