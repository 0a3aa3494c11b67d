#pragma once
#include "AudioFile.h"
#include "AudioStream.h"

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
