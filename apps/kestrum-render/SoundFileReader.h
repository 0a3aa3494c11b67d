#pragma once
#include <string>
#include <vector>

#include "AudioStream.h"

typedef struct sf_private_tag SNDFILE;

// Reads an audio file (any format libsndfile reads) block by block; "-" reads standard input.
// Opening refuses, with a plain message, what cannot be read at all; the caller decides which
// rates and channel counts it accepts.
class SoundFileReader : public AudioSource {
public:
    SoundFileReader() = default;
    ~SoundFileReader() override;
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    bool open(const std::string& path, std::string& error);

    int channels() const override { return channels_; }
    int sampleRate() const override { return sampleRate_; }
    long long expectedFrames() const override { return expected_; }
    int read(float* const* buffers, int frames) override;

    const std::string& path() const { return path_; }
    // What the file's header announces when the file holds fewer frames than that, else -1. Known
    // at opening for a file on disk, after reading to the end for a pipe.
    long long announcedFrames() const;
    long long framesRead() const { return read_; }
    // A read error (not the end of the data), with the message for it.
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    SNDFILE* file_ = nullptr;
    std::string path_, error_;
    int channels_ = 0, sampleRate_ = 0;
    long long expected_ = -1, announced_ = -1, read_ = 0;
    bool ended_ = false;
    std::vector<float> interleaved_;
};
