#pragma once
// Runs the built kestrum-render program the way a user does, in a temporary folder of its own per
// test, and reads back what it wrote. Standard input can be fed from a file or through a pipe, and
// standard output captured from a file or a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "AudioFile.h"
#include "DemoLoop.h"

extern char** environ;

// Arguments put together: kSetting + {"in.wav", "out.wav"}.
inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class RenderProgramFixture : public ::testing::Test {
protected:
    struct Result {
        int status = -1;  // the exit status, -1 when ended by a signal
        int signal = 0;   // the signal that ended it
        std::string out, err;
    };
    // How the program's standard streams are connected.
    struct Streams {
        std::string stdinFile;   // read standard input from this file
        std::string stdinBytes;  // or feed these bytes through a pipe
        bool pipeIn = false;
        bool pipeOut = false;    // standard output is a pipe (else a file)
        std::string workdir;     // run in this folder
        bool terminalErr = false;  // standard error is a terminal (its output lands in Result::err)
        int interruptMs = 0;       // send `interruptSignal` this long after the start
        int interruptSignal = SIGINT;
    };

    void SetUp() override {
        // A program that stops reading its input must fail its test, not end the test program.
        signal(SIGPIPE, SIG_IGN);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("kestrum-cli-") + info->test_suite_name() + "-" + info->name() + "-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "capture");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir, ec);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    static std::string slurp(const std::filesystem::path& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static long lineCount(const std::string& s) { return std::count(s.begin(), s.end(), '\n'); }
    static bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    Result run(const std::vector<std::string>& args) { return run(args, Streams()); }
    Result run(const std::vector<std::string>& args, const Streams& streams) {
        const std::string program = KESTRUM_RENDER_PROGRAM;
        const std::string outPath = (dir / "capture" / "stdout").string();
        const std::string errPath = (dir / "capture" / "stderr").string();
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (streams.pipeIn) {
            EXPECT_EQ(pipe(inPipe), 0);
            posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
            posix_spawn_file_actions_addclose(&actions, inPipe[1]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 0, streams.stdinFile.empty() ? "/dev/null" : streams.stdinFile.c_str(),
                                             O_RDONLY, 0);
        }
        if (streams.pipeOut) {
            EXPECT_EQ(pipe(outPipe), 0);
            posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
            posix_spawn_file_actions_addclose(&actions, outPipe[0]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        int terminal = -1;
        if (streams.terminalErr) {
            terminal = posix_openpt(O_RDWR | O_NOCTTY);
            EXPECT_GE(terminal, 0);
            EXPECT_EQ(grantpt(terminal), 0);
            EXPECT_EQ(unlockpt(terminal), 0);
            posix_spawn_file_actions_addopen(&actions, 2, ptsname(terminal), O_RDWR | O_NOCTTY, 0);
        } else {
            posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        if (!streams.workdir.empty()) posix_spawn_file_actions_addchdir_np(&actions, streams.workdir.c_str());
        pid_t pid = 0;
        Result r;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (streams.pipeIn) close(inPipe[0]);
        if (streams.pipeOut) close(outPipe[1]);
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << program;
            return r;
        }
        std::thread feeder;
        if (streams.pipeIn)
            feeder = std::thread([&] {
                const char* p = streams.stdinBytes.data();
                size_t left = streams.stdinBytes.size();
                while (left > 0) {
                    const ssize_t n = ::write(inPipe[1], p, left);
                    if (n <= 0) break;
                    p += n;
                    left -= static_cast<size_t>(n);
                }
                close(inPipe[1]);
            });
        std::thread terminalReader;
        if (terminal >= 0)
            terminalReader = std::thread([&] {
                // Reading ends with an error once the program closed its side.
                char buffer[4096];
                for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) r.err.append(buffer, static_cast<size_t>(n));
            });
        if (streams.pipeOut) {
            char buffer[65536];
            for (ssize_t n; (n = ::read(outPipe[0], buffer, sizeof buffer)) > 0;) r.out.append(buffer, static_cast<size_t>(n));
            close(outPipe[0]);
        }
        if (streams.interruptMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(streams.interruptMs));
            kill(pid, streams.interruptSignal);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
        if (feeder.joinable()) feeder.join();
        if (terminalReader.joinable()) terminalReader.join();
        if (terminal >= 0) close(terminal);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (!streams.pipeOut) r.out = slurp(outPath);
        if (terminal < 0) r.err = slurp(errPath);
        return r;
    }

    // A refusal: exit status 2 and one line that starts with the program's name and holds `part`.
    static void expectRefused(const Result& r, const std::string& part) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        EXPECT_EQ(r.err.rfind("kestrum-render: ", 0), 0u) << r.err;
        EXPECT_TRUE(contains(r.err, part)) << "'" << part << "' not in: " << r.err;
    }

    std::string writeInput(const std::string& name, const AudioData& data, SampleFormat format = SampleFormat::Float) {
        std::string error;
        EXPECT_TRUE(writeAudioFile(path(name), data, format, error)) << error;
        return path(name);
    }

    // One bar of the demo loop: transients, a bass line and a chord.
    std::string writeLoop(const std::string& name, int rate = 44100) {
        return writeInput(name, synthesiseDemoLoop(rate, 120.0f, 1));
    }

    static AudioData read(const std::string& p) {
        AudioData d;
        std::string error;
        EXPECT_TRUE(readAudioFile(p, d, error)) << error;
        return d;
    }

    // libsndfile's format bits of a file, or -1 when it cannot be read.
    static int formatOf(const std::string& p) {
        SF_INFO info{};
        SNDFILE* f = sf_open(p.c_str(), SFM_READ, &info);
        if (!f) return -1;
        sf_close(f);
        return info.format;
    }
    static int subformat(const std::string& p) { return formatOf(p) & SF_FORMAT_SUBMASK; }

    std::filesystem::path dir;
};
