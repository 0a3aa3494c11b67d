#pragma once
#include <memory>
#include <string>
#include <vector>

#include "AudioStream.h"
#include "OggPageWriter.h"
#include "OutputFormat.h"

typedef struct sf_private_tag SNDFILE;


// Writes a rendering through libsndfile onto an open file descriptor, block by block, and keeps
// the figures of what it wrote: frames, peak and, for integer samples, how many clipped. Files come
// out byte for byte the same for the same audio (no time stamps, no random stream numbers).
class SoundFileWriter : public AudioSink {
public:
    SoundFileWriter() = default;
    ~SoundFileWriter() override;
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    // Takes over `fd` (closed by close() or the destructor). `name` is used in messages.
    bool open(int fd, const OutputFormat& format, int channels, int sampleRate, const std::string& name,
              std::string& error);
    bool write(const float* const* buffers, int frames) override;
    // Finishes the file. Returns false with a message when anything could not be written.
    bool close(std::string& error);

    long long frames() const { return frames_; }
    float peak() const { return peak_; }
    // Samples beyond full scale, which integer samples store clipped.
    long long clipped() const { return integer_ ? clipped_ : 0; }

private:
    SNDFILE* file_ = nullptr;
    int fd_ = -1;
    int channels_ = 0;
    bool integer_ = false, failed_ = false;
    std::string name_;
    std::unique_ptr<OggPageWriter> ogg_;
    std::vector<float> interleaved_;
    long long frames_ = 0, clipped_ = 0;
    float peak_ = 0.0f;
};
