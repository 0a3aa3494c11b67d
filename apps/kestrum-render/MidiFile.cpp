#include "MidiFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

struct TickEvent {
    uint64_t tick;
    int order;  // file order, so equal ticks keep their sequence
    int kind;   // 0 channel message, 1 tempo
    uint8_t status, data1, data2;
    uint32_t microsecondsPerQuarter;
};

class Cursor {
public:
    Cursor(const std::vector<uint8_t>& b, size_t begin, size_t end) : bytes_(b), pos_(begin), end_(end) {}
    bool atEnd() const { return pos_ >= end_; }
    bool byte(uint8_t& out) {
        if (pos_ >= end_) return false;
        out = bytes_[pos_++];
        return true;
    }
    bool skip(uint64_t n) {
        if (n > end_ - pos_) return false;
        pos_ += static_cast<size_t>(n);
        return true;
    }
    // Variable-length quantity: at most four bytes.
    bool varLength(uint32_t& out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b)) return false;
            out = (out << 7) | (b & 0x7f);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    size_t position() const { return pos_; }

private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_, end_;
};

uint32_t readBig(const std::vector<uint8_t>& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}

int dataBytesFor(uint8_t status) {
    uint8_t type = status & 0xf0;
    return (type == 0xc0 || type == 0xd0) ? 1 : 2;
}

}  // namespace

bool MidiFile::load(const std::string& path, double defaultBpm, std::string& error) {
    // Read with plain system calls, so a folder or a read error gives our message, not a stream's.
    std::vector<uint8_t> bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO is refused, not waited on
    struct stat st {};
    const char* problem = fd < 0 ? (errno == ENOENT ? "no such file" : std::strerror(errno))
                          : fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ? (S_ISDIR(st.st_mode) ? "it is a folder" : "not a regular file")
                          : st.st_size > kMaxFileSize ? "larger than any MIDI file it could be"
                                                      : nullptr;
    if (!problem) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        if (done != bytes.size()) problem = "read error";
    }
    if (fd >= 0) ::close(fd);
    if (problem) {
        error = "cannot read the MIDI file '" + path + "': " + problem;
        return false;
    }
    if (!parse(bytes, defaultBpm, error)) {
        error = "the MIDI file '" + path + "' is not usable: " + error;
        return false;
    }
    return true;
}

bool MidiFile::parse(const std::vector<uint8_t>& bytes, double defaultBpm, std::string& error) {
    events_.clear();
    tempo_.clear();
    setsTempo_ = false;
    if (bytes.size() < 14 || readBig(bytes, 0, 4) != 0x4d546864 /* MThd */ || readBig(bytes, 4, 4) < 6) {
        error = "no MIDI file header";
        return false;
    }
    const uint32_t headerLength = readBig(bytes, 4, 4);
    const uint32_t format = readBig(bytes, 8, 2);
    const uint32_t tracks = readBig(bytes, 10, 2);
    const uint32_t division = readBig(bytes, 12, 2);
    if (format > 1) {
        error = "format " + std::to_string(format) + " is not supported (only 0 and 1)";
        return false;
    }
    if (division == 0 || (division & 0x8000)) {
        error = "only files timed in ticks per quarter note are supported";
        return false;
    }
    if (format == 0 && tracks != 1) {
        error = "a format 0 file must hold exactly one track";
        return false;
    }

    std::vector<TickEvent> timeline;
    size_t pos = 8 + static_cast<size_t>(headerLength);
    if (headerLength > bytes.size() - 8) {
        error = "truncated header";
        return false;
    }
    uint32_t found = 0;
    int order = 0;
    while (found < tracks) {
        if (bytes.size() - pos < 8) {
            error = "truncated: " + std::to_string(tracks) + " tracks announced, " + std::to_string(found) + " found";
            return false;
        }
        const uint32_t id = readBig(bytes, pos, 4);
        const uint32_t length = readBig(bytes, pos + 4, 4);
        pos += 8;
        if (length > bytes.size() - pos) {
            error = "truncated track data";
            return false;
        }
        if (id != 0x4d54726b /* MTrk */) {  // unknown chunks are skipped
            pos += length;
            continue;
        }
        ++found;
        Cursor c(bytes, pos, pos + length);
        uint64_t tick = 0;
        uint8_t running = 0;
        bool ended = false;
        while (!c.atEnd() && !ended) {
            uint32_t delta;
            uint8_t first;
            if (!c.varLength(delta) || !c.byte(first)) {
                error = "malformed event in track " + std::to_string(found);
                return false;
            }
            tick += delta;
            if (first == 0xff) {  // meta event
                uint8_t type;
                uint32_t len;
                if (!c.byte(type) || !c.varLength(len)) {
                    error = "malformed meta event in track " + std::to_string(found);
                    return false;
                }
                size_t at = c.position();
                if (!c.skip(len)) {
                    error = "truncated meta event in track " + std::to_string(found);
                    return false;
                }
                if (type == 0x51) {
                    if (len != 3) {
                        error = "malformed tempo event";
                        return false;
                    }
                    uint32_t us = readBig(bytes, at, 3);
                    if (us == 0) {
                        error = "tempo of zero";
                        return false;
                    }
                    timeline.push_back({tick, order++, 1, 0, 0, 0, us});
                } else if (type == 0x2f) {
                    ended = true;
                }
                running = 0;
            } else if (first == 0xf0 || first == 0xf7) {  // system exclusive: skipped
                uint32_t len;
                if (!c.varLength(len) || !c.skip(len)) {
                    error = "truncated system exclusive message";
                    return false;
                }
                running = 0;
            } else {
                uint8_t status = first;
                uint8_t data[2] = {0, 0};
                int have = 0;
                if (first < 0x80) {
                    if (!running) {
                        error = "data without a status byte in track " + std::to_string(found);
                        return false;
                    }
                    status = running;
                    data[0] = first;
                    have = 1;
                } else if (first >= 0xf0) {
                    error = "unexpected system message in track " + std::to_string(found);
                    return false;
                }
                for (int i = have; i < dataBytesFor(status); ++i) {
                    if (!c.byte(data[i]) || (data[i] & 0x80)) {
                        error = "malformed channel message in track " + std::to_string(found);
                        return false;
                    }
                }
                running = status;
                timeline.push_back({tick, order++, 0, status, data[0], data[1], 0});
            }
        }
        pos += length;
    }

    std::stable_sort(timeline.begin(), timeline.end(), [](const TickEvent& a, const TickEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    // Walk the merged timeline, converting ticks to seconds through the tempo in force.
    double secondsPerTick = 60.0 / (defaultBpm * division);
    double seconds = 0.0;
    uint64_t lastTick = 0;
    tempo_.push_back({0.0, defaultBpm});
    for (const TickEvent& e : timeline) {
        seconds += static_cast<double>(e.tick - lastTick) * secondsPerTick;
        lastTick = e.tick;
        if (e.kind == 1) {
            secondsPerTick = e.microsecondsPerQuarter * 1e-6 / division;
            double bpm = 60e6 / e.microsecondsPerQuarter;
            setsTempo_ = true;
            if (tempo_.back().seconds == seconds) {
                tempo_.back().bpm = bpm;
            } else {
                tempo_.push_back({seconds, bpm});
            }
        } else {
            events_.push_back({seconds, e.status, e.data1, e.data2});
        }
    }
    return true;
}

double MidiFile::bpmAt(double seconds) const {
    double bpm = tempo_.empty() ? 120.0 : tempo_.front().bpm;
    for (const TempoChange& t : tempo_) {
        if (t.seconds > seconds) break;
        bpm = t.bpm;
    }
    return bpm;
}
