#pragma once
#include <functional>

#include "AudioFile.h"
#include "AudioStream.h"
#include "MidiFile.h"

class GenericPlugin;

// Runs audio through a plug-in offline, the way a playing host would: host buffers of a fixed size,
// the transport advancing with the tempo, and extra silence at the end for tails.
struct RenderSettings {
    int blockSize = 512;
    double tailSeconds = 0.0;
    float tempo = 120.0f;
};

class RenderJob {
public:
    // Called after every host buffer with the frames rendered so far, the total expected (-1 while
    // the input's length is not known) and the sample rate.
    using Progress = std::function<void(long long done, long long total, double sampleRate)>;

    RenderJob(GenericPlugin& plugin, const RenderSettings& settings) : plugin_(plugin), settings_(settings) {}

    // Streams `input` (as many channels as the plug-in) through the plug-in into `output`, block by
    // block, then the tail. `sideChain` may be null or have any channel count (its channels are
    // matched to the plug-in's, the last repeated; past its end it is silent). MIDI events reach the
    // plug-in at their exact sample offsets; the transport follows the MIDI file's tempo map when one
    // is given, else the set tempo. Returns false as soon as the sink refuses a block. Memory use
    // does not depend on the length of the input.
    bool run(AudioSource& input, AudioSource* sideChain, AudioSink& output, const Progress& progress = {},
             const MidiFile* midi = nullptr);

    // The same over audio held in memory; returns the processed audio.
    AudioData run(const AudioData& input, const AudioData* sideChain, const Progress& progress = {},
                  const MidiFile* midi = nullptr);

    // Frames rendered by the last run, the tail included.
    long long framesRendered() const { return rendered_; }

private:
    GenericPlugin& plugin_;
    RenderSettings settings_;
    long long rendered_ = 0;
};
