#include "AudioFile.h"

#include <algorithm>

#include "OutputFormat.h"
#include "OutputTarget.h"
#include "SoundFileReader.h"
#include "SoundFileWriter.h"

bool readAudioFile(const std::string& path, AudioData& out, std::string& error) {
    SoundFileReader reader;
    if (!reader.open(path, error)) return false;
    out.sampleRate = reader.sampleRate();
    out.channels.assign(static_cast<size_t>(reader.channels()), {});
    constexpr int kBlock = 4096;
    std::vector<std::vector<float>> block(out.channels.size(), std::vector<float>(kBlock));
    std::vector<float*> pointers;
    for (auto& b : block) pointers.push_back(b.data());
    for (int got = kBlock; got == kBlock;) {
        got = reader.read(pointers.data(), kBlock);
        for (size_t c = 0; c < block.size(); ++c) out.channels[c].insert(out.channels[c].end(), block[c].begin(), block[c].begin() + got);
    }
    if (reader.failed()) error = reader.error();
    return !reader.failed();
}

bool writeAudioFile(const std::string& path, const AudioData& data, SampleFormat format, std::string& error) {
    OutputFormat type;
    OutputTarget target;
    SoundFileWriter writer;
    if (!OutputFormat::choose(path, std::nullopt, format, type, error) || !target.resolve(path, type.streamable(), error))
        return false;
    const int fd = target.open(error);
    if (fd < 0 || !writer.open(fd, type, static_cast<int>(data.channels.size()), data.sampleRate, path, error)) return false;
    std::vector<const float*> pointers(data.channels.size());
    constexpr long long kBlock = 4096;
    bool ok = true;
    for (long long pos = 0; pos < data.frames() && ok; pos += kBlock) {
        for (size_t c = 0; c < pointers.size(); ++c) pointers[c] = data.channels[c].data() + pos;
        ok = writer.write(pointers.data(), static_cast<int>(std::min(kBlock, data.frames() - pos)));
    }
    return writer.close(error) && ok && target.commit(error);
}
