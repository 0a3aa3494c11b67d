#include "RenderJob.h"

#include <algorithm>
#include <cmath>

#include "engine/GenericPlugin.h"

AudioData RenderJob::run(const AudioData& input, const AudioData* sideChain, const Progress& progress,
                         const MidiFile* midi) {
    const int channels = plugin_.getNumChannels();
    const long long inputFrames = input.frames();
    const long long tail = static_cast<long long>(std::llround(std::max(0.0, settings_.tailSeconds) * input.sampleRate));
    const long long total = inputFrames + tail;
    const int block = std::max(1, settings_.blockSize);
    const bool hasSide = sideChain && !sideChain->channels.empty();

    plugin_.setSampleRate(static_cast<float>(input.sampleRate));
    plugin_.setSideChainConnected(hasSide);
    plugin_.reset();

    AudioData output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(total)));

    // Host buffers: main channels first, then the side chain.
    std::vector<std::vector<float>> in(static_cast<size_t>(2 * channels), std::vector<float>(static_cast<size_t>(block)));
    std::vector<const float*> inPointers(in.size());
    std::vector<float*> outPointers(static_cast<size_t>(channels));
    for (size_t i = 0; i < in.size(); ++i) inPointers[i] = in[i].data();

    auto fill = [&](std::vector<float>& dst, const AudioData& src, int channel, long long pos, int n) {
        const auto& data = src.channels[static_cast<size_t>(std::min(channel, static_cast<int>(src.channels.size()) - 1))];
        for (int i = 0; i < n; ++i) {
            long long k = pos + i;
            dst[static_cast<size_t>(i)] = k < static_cast<long long>(data.size()) ? data[static_cast<size_t>(k)] : 0.0f;
        }
    };

    const double rate = input.sampleRate;
    double beats = 0.0;
    size_t nextEvent = 0;
    auto isProgramChange = [](const MidiFile::Event& e) { return (e.status & 0xF0) == 0xC0; };
    auto frameOf = [&](const MidiFile::Event& e) { return std::max(0LL, static_cast<long long>(std::llround(e.seconds * rate))); };
    std::vector<float*> noOutputs(static_cast<size_t>(channels), nullptr);
    for (long long pos = 0; pos < total;) {
        // Work the plug-in deferred (a program change's preset load) happens between buffers, as a
        // host's worker would do it; a program change ends its buffer, so the new preset is heard
        // from the event's own sample on, whatever the buffer size.
        plugin_.performDeferredWork();
        int n = static_cast<int>(std::min<long long>(block, total - pos));
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
        for (int c = 0; c < channels; ++c) {
            fill(in[static_cast<size_t>(c)], input, c, pos, n);
            if (hasSide) fill(in[static_cast<size_t>(channels + c)], *sideChain, c, pos, n);
            outPointers[static_cast<size_t>(c)] = output.channels[static_cast<size_t>(c)].data() + pos;
        }
        double bpm = midi && midi->setsTempo() ? midi->bpmAt(static_cast<double>(pos) / rate) : settings_.tempo;
        plugin_.setTransport(static_cast<float>(bpm), static_cast<float>(std::fmod(beats, 256.0)));
        beats += n * bpm / (60.0 * rate);
        plugin_.processBlock(inPointers.data(), hasSide ? 2 * channels : channels, outPointers.data(), channels, n);
        pos += n;
        if (progress) progress(static_cast<double>(pos) / static_cast<double>(total));
    }
    plugin_.performDeferredWork();
    return output;
}
