#pragma once

// The two ends of a streaming render: a source the render pulls planar blocks from, and a sink it
// pushes the processed blocks into. Files (SoundFileReader, SoundFileWriter) and memory
// (MemoryAudio.h) both sit behind these, so a render holds no more than one block of audio
// whatever the length of the file.
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
