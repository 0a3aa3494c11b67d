#pragma once
#include <string>
#include <vector>

// A whole audio file in memory, one float vector per channel.
struct AudioData {
    int sampleRate = 0;
    std::vector<std::vector<float>> channels;
    long long frames() const { return channels.empty() ? 0 : static_cast<long long>(channels[0].size()); }
};

enum class SampleFormat { Float, Pcm16, Pcm24 };

// Reads any format libsndfile reads. Returns false with a message on failure.
bool readAudioFile(const std::string& path, AudioData& out, std::string& error);

// Writes a file of the type its extension names (WAV without one). The data goes to a temporary
// file next to the target, which replaces the target only when everything was written, so an
// existing file is never left half-written.
bool writeAudioFile(const std::string& path, const AudioData& data, SampleFormat format, std::string& error);
