#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A Standard MIDI File (format 0 or 1) flattened into one time-ordered list of channel messages,
// with the tempo map turned into seconds. Malformed or truncated files are refused as a whole.
class MidiFile {
public:
    struct Event {
        double seconds = 0.0;
        uint8_t status = 0;
        uint8_t data1 = 0;
        uint8_t data2 = 0;
    };
    struct TempoChange {
        double seconds = 0.0;
        double bpm = 120.0;
    };

    // Files beyond this size are refused unread.
    static constexpr long long kMaxFileSize = 64LL << 20;

    // defaultBpm applies until the file's first tempo event (or throughout, without one).
    bool load(const std::string& path, double defaultBpm, std::string& error);
    bool parse(const std::vector<uint8_t>& bytes, double defaultBpm, std::string& error);

    const std::vector<Event>& events() const { return events_; }
    const std::vector<TempoChange>& tempoMap() const { return tempo_; }
    bool setsTempo() const { return setsTempo_; }
    // The tempo in force at a time.
    double bpmAt(double seconds) const;

private:
    std::vector<Event> events_;
    std::vector<TempoChange> tempo_;
    bool setsTempo_ = false;
};
