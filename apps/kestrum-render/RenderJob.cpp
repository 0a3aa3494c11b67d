#include "RenderJob.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "MemoryAudio.h"
#include "engine/GenericPlugin.h"

bool RenderJob::run(AudioSource& input, AudioSource* sideChain, AudioSink& output, const Progress& progress,
                    const MidiFile* midi) {
    const int channels = plugin_.getNumChannels();
    const double rate = input.sampleRate();
    const long long tail = std::llround(std::max(0.0, settings_.tailSeconds) * rate);
    const long long expected = input.expectedFrames();
    const int block = std::max(1, settings_.blockSize);
    const bool hasSide = sideChain && sideChain->channels() > 0;
    const int sideChannels = hasSide ? sideChain->channels() : 0;

    plugin_.setSampleRate(static_cast<float>(rate));
    plugin_.setSideChainConnected(hasSide);
    plugin_.reset();

    // Everything is allocated here, once: host buffers for the main channels, the side chain's own
    // channels and the outputs.
    auto buffers = [block](int count) {
        return std::vector<std::vector<float>>(static_cast<size_t>(count), std::vector<float>(static_cast<size_t>(block)));
    };
    std::vector<std::vector<float>> in = buffers(channels), side = buffers(sideChannels), out = buffers(channels);
    std::vector<float*> inWrite(static_cast<size_t>(channels)), sideWrite(static_cast<size_t>(sideChannels));
    std::vector<const float*> inPointers(static_cast<size_t>(2 * channels));
    std::vector<float*> outPointers(static_cast<size_t>(channels));
    std::vector<float*> noOutputs(static_cast<size_t>(channels), nullptr);
    for (int c = 0; c < channels; ++c) {
        inWrite[static_cast<size_t>(c)] = in[static_cast<size_t>(c)].data();
        inPointers[static_cast<size_t>(c)] = in[static_cast<size_t>(c)].data();
        outPointers[static_cast<size_t>(c)] = out[static_cast<size_t>(c)].data();
        // The plug-in's side-chain channel c hears the file's channel c, or its last one.
        if (hasSide)
            inPointers[static_cast<size_t>(channels + c)] = side[static_cast<size_t>(std::min(c, sideChannels - 1))].data();
    }
    for (int c = 0; c < sideChannels; ++c) sideWrite[static_cast<size_t>(c)] = side[static_cast<size_t>(c)].data();

    double beats = 0.0;
    size_t nextEvent = 0;
    auto isProgramChange = [](const MidiFile::Event& e) { return (e.status & 0xF0) == 0xC0; };
    auto frameOf = [&](const MidiFile::Event& e) { return std::max(0LL, static_cast<long long>(std::llround(e.seconds * rate))); };
    // The end of the render is known once the input has ended: its length plus the tail.
    long long end = -1;
    bool sideEnded = !hasSide;
    rendered_ = 0;
    for (long long pos = 0; end < 0 || pos < end;) {
        // Work the plug-in deferred (a program change's preset load) happens between buffers, as a
        // host's worker would do it; a program change ends its buffer, so the new preset is heard
        // from the event's own sample on, whatever the buffer size.
        plugin_.performDeferredWork();
        int n = static_cast<int>(end < 0 ? block : std::min<long long>(block, end - pos));
        if (midi) {
            const auto& events = midi->events();
            for (; nextEvent < events.size(); ++nextEvent) {
                const MidiFile::Event& e = events[nextEvent];
                const long long at = frameOf(e);
                if (at >= pos + n) break;
                if (isProgramChange(e)) {
                    if (at == pos) {
                        // At the buffer's first sample: hand it over before any audio of this buffer.
                        plugin_.receiveMidi({e.status, e.data1, e.data2, 0});
                        plugin_.processBlock(inPointers.data(), 0, noOutputs.data(), channels, 0);
                        plugin_.performDeferredWork();
                        continue;
                    }
                    n = static_cast<int>(at - pos);
                    break;
                }
                plugin_.receiveMidi({e.status, e.data1, e.data2, static_cast<int>(at - pos)});
            }
        }
        // Past the input's end the buffers hold silence (the tail).
        int got = 0;
        if (end < 0) {
            got = input.read(inWrite.data(), n);
            if (got < n) end = pos + got + tail;
        }
        for (int c = 0; c < channels; ++c) std::fill(in[static_cast<size_t>(c)].begin() + got, in[static_cast<size_t>(c)].begin() + n, 0.0f);
        if (!sideEnded) {
            const int sideGot = sideChain->read(sideWrite.data(), n);
            for (int c = 0; c < sideChannels; ++c) std::fill(side[static_cast<size_t>(c)].begin() + sideGot, side[static_cast<size_t>(c)].begin() + n, 0.0f);
            sideEnded = sideGot < n;
        } else if (hasSide) {
            for (int c = 0; c < sideChannels; ++c) std::fill_n(side[static_cast<size_t>(c)].begin(), n, 0.0f);
        }
        // A buffer the input ended in is cut at the end of the render (without a tail, at the input's
        // last frame); the frames it held are the same as they would be in any other split.
        if (end >= 0) n = static_cast<int>(std::min<long long>(n, end - pos));
        if (n <= 0) break;

        double bpm = midi && midi->setsTempo() ? midi->bpmAt(static_cast<double>(pos) / rate) : settings_.tempo;
        plugin_.setTransport(static_cast<float>(bpm), static_cast<float>(std::fmod(beats, 256.0)));
        beats += n * bpm / (60.0 * rate);
        plugin_.processBlock(inPointers.data(), hasSide ? 2 * channels : channels, outPointers.data(), channels, n);
        if (!output.write(outPointers.data(), n)) return false;
        pos += n;
        rendered_ = pos;
        if (progress) progress(pos, end >= 0 ? end : (expected >= 0 ? expected + tail : -1), rate);
    }
    plugin_.performDeferredWork();
    return true;
}

AudioData RenderJob::run(const AudioData& input, const AudioData* sideChain, const Progress& progress,
                         const MidiFile* midi) {
    MemorySource source(input);
    std::unique_ptr<MemorySource> side;
    if (sideChain && !sideChain->channels.empty()) side = std::make_unique<MemorySource>(*sideChain);
    AudioData result;
    MemorySink sink(result, plugin_.getNumChannels(), input.sampleRate);
    run(source, side.get(), sink, progress, midi);
    return result;
}
