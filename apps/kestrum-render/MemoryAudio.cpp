#include "MemoryAudio.h"

#include <algorithm>

int MemorySource::read(float* const* buffers, int frames) {
    const long long n = std::clamp<long long>(data_.frames() - position_, 0, frames);
    for (size_t c = 0; c < data_.channels.size(); ++c) {
        // A channel shorter than the first reads as silence past its end.
        const auto& channel = data_.channels[c];
        const long long have = std::clamp<long long>(static_cast<long long>(channel.size()) - position_, 0, n);
        std::copy_n(channel.begin() + (position_ + have > static_cast<long long>(channel.size()) ? 0 : position_), have, buffers[c]);
        std::fill(buffers[c] + have, buffers[c] + n, 0.0f);
    }
    position_ += n;
    return static_cast<int>(n);
}

MemorySink::MemorySink(AudioData& data, int channels, int sampleRate) : data_(data) {
    data_.sampleRate = sampleRate;
    data_.channels.assign(static_cast<size_t>(channels), {});
}

bool MemorySink::write(const float* const* buffers, int frames) {
    for (size_t c = 0; c < data_.channels.size(); ++c)
        data_.channels[c].insert(data_.channels[c].end(), buffers[c], buffers[c] + frames);
    return true;
}
