#pragma once
#include <cstddef>

#include "AudioFile.h"

// The two ends of a streaming render: a source the render pulls planar blocks from, and a sink it
// pushes the processed blocks into. Files and memory both sit behind these, so a render holds no
// more than one block of audio whatever the length of the file.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual int channels() const = 0;
    virtual int sampleRate() const = 0;
    // Frames the source expects to deliver in all, or -1 when it cannot know (a pipe).
    virtual long long expectedFrames() const = 0;
    // Fills up to `frames` frames, one buffer per channel; returns how many it delivered. Fewer than
    // asked (and then 0 on every later call) means the source has ended.
    virtual int read(float* const* buffers, int frames) = 0;
};

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Takes `frames` frames, one buffer per channel. Returns false when they could not be stored.
    virtual bool write(const float* const* buffers, int frames) = 0;
};

// Plays an AudioData from its first frame. The data must outlive the source.
class MemorySource : public AudioSource {
public:
    explicit MemorySource(const AudioData& data) : data_(data) {}
    int channels() const override { return static_cast<int>(data_.channels.size()); }
    int sampleRate() const override { return data_.sampleRate; }
    long long expectedFrames() const override { return data_.frames(); }
    int read(float* const* buffers, int frames) override;

private:
    const AudioData& data_;
    long long position_ = 0;
};

// Collects everything written into an AudioData of a fixed channel count.
class MemorySink : public AudioSink {
public:
    MemorySink(AudioData& data, int channels, int sampleRate);
    bool write(const float* const* buffers, int frames) override;

private:
    AudioData& data_;
};
