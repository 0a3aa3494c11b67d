#pragma once
#include <functional>

#include "AudioFile.h"
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
    using Progress = std::function<void(double fraction)>;

    RenderJob(GenericPlugin& plugin, const RenderSettings& settings) : plugin_(plugin), settings_(settings) {}

    // input has as many channels as the plug-in; sideChain may be empty or have any channel count
    // (its channels are matched to the plug-in's, the last repeated). Returns the processed audio.
    // MIDI events reach the plug-in at their exact sample offsets; the transport follows the MIDI
    // file's tempo map when one is given, else the set tempo.
    AudioData run(const AudioData& input, const AudioData* sideChain, const Progress& progress = {},
                  const MidiFile* midi = nullptr);

private:
    GenericPlugin& plugin_;
    RenderSettings settings_;
};
