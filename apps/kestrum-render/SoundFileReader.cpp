#include "SoundFileReader.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace {

// libsndfile shortens a data chunk that runs past the end of the file and notes it in its log as
// "data : 192000 (should be 99956)" (SSND for AIFF). Returns the announced and the present byte
// counts, or false when the log notes nothing of the kind.
bool shortenedChunk(SNDFILE* file, long long& announced, long long& present) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("data :", 0) != 0 && line.rfind("SSND :", 0) != 0) continue;
        const size_t should = line.find("(should be ");
        if (should == std::string::npos) continue;
        announced = std::atoll(line.c_str() + 6);
        present = std::atoll(line.c_str() + should + 11);
        return announced > present && present >= 0;
    }
    return false;
}

}  // namespace

SoundFileReader::~SoundFileReader() {
    if (file_) sf_close(file_);
}

bool SoundFileReader::open(const std::string& path, std::string& error) {
    path_ = path;
    SF_INFO info{};
    if (path == "-") {
        // Waiting for a user to type audio would look like a hang.
        if (isatty(STDIN_FILENO)) {
            error = "standard input is a terminal; pipe or redirect audio into it to read '-'";
            return false;
        }
        file_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
        if (!file_) {
            error = "cannot read standard input: not audio libsndfile can read";
            return false;
        }
    } else {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0) {
            error = "cannot read '" + path + "': " + (errno == ENOENT ? "no such file" : std::strerror(errno));
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            error = "cannot read '" + path + "': it is a folder";
            return false;
        }
        if (access(path.c_str(), R_OK) != 0) {
            error = "cannot read '" + path + "': permission denied";
            return false;
        }
        file_ = sf_open(path.c_str(), SFM_READ, &info);
        if (!file_) {
            error = "cannot read '" + path + "': not an audio file in a format libsndfile reads";
            return false;
        }
    }
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    if (channels_ < 1 || sampleRate_ < 1) {
        error = "cannot read '" + path + "': the file has no audio channels";
        return false;
    }
    // A pipe reports what its header announces (or nothing); a file what it really holds.
    expected_ = info.frames > 0 && info.frames < SF_COUNT_MAX ? info.frames : (info.seekable ? 0 : -1);
    long long announcedBytes = 0, presentBytes = 0;
    if (info.seekable && info.frames > 0 && shortenedChunk(file_, announcedBytes, presentBytes) && presentBytes > 0)
        announced_ = static_cast<long long>(static_cast<double>(info.frames) * static_cast<double>(announcedBytes) /
                                            static_cast<double>(presentBytes) + 0.5);
    interleaved_.clear();
    return true;
}

long long SoundFileReader::announcedFrames() const {
    if (announced_ > read_) return announced_;
    if (ended_ && expected_ > read_) return expected_;
    return -1;
}

int SoundFileReader::read(float* const* buffers, int frames) {
    if (!file_ || ended_ || frames <= 0) return 0;
    const size_t needed = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    if (interleaved_.size() < needed) interleaved_.resize(needed);
    int done = 0;
    while (done < frames) {
        const sf_count_t got = sf_readf_float(file_, interleaved_.data() + static_cast<size_t>(done) * static_cast<size_t>(channels_), frames - done);
        if (got <= 0) {
            ended_ = true;
            if (sf_error(file_) != SF_ERR_NO_ERROR)
                error_ = "error while reading '" + path_ + "': " + sf_strerror(file_);
            break;
        }
        done += static_cast<int>(got);
    }
    for (int i = 0; i < done; ++i)
        for (int c = 0; c < channels_; ++c)
            buffers[c][i] = interleaved_[static_cast<size_t>(i) * static_cast<size_t>(channels_) + static_cast<size_t>(c)];
    read_ += done;
    return done;
}
