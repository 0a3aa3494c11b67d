#include "AudioFile.h"

#include <sndfile.h>

#include <cstdio>
#include <unistd.h>

bool readAudioFile(const std::string& path, AudioData& out, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        sf_close(file);
        error = "'" + path + "' has no audio channels";
        return false;
    }
    out.sampleRate = info.samplerate;
    out.channels.assign(static_cast<size_t>(info.channels), {});
    std::vector<float> interleaved(4096 * static_cast<size_t>(info.channels));
    for (;;) {
        sf_count_t got = sf_readf_float(file, interleaved.data(), 4096);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < info.channels; ++c)
                out.channels[static_cast<size_t>(c)].push_back(interleaved[static_cast<size_t>(i * info.channels + c)]);
    }
    bool failed = sf_error(file) != SF_ERR_NO_ERROR;
    if (failed) error = "error while reading '" + path + "': " + sf_strerror(file);
    sf_close(file);
    return !failed;
}

bool writeAudioFile(const std::string& path, const AudioData& data, SampleFormat format, std::string& error) {
    SF_INFO info{};
    info.samplerate = data.sampleRate;
    info.channels = static_cast<int>(data.channels.size());
    info.format = SF_FORMAT_WAV | (format == SampleFormat::Pcm16   ? SF_FORMAT_PCM_16
                                   : format == SampleFormat::Pcm24 ? SF_FORMAT_PCM_24
                                                                   : SF_FORMAT_FLOAT);
    std::string temporary = path + ".part" + std::to_string(getpid());
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);  // integer formats clip instead of wrapping
    const long long frames = data.frames();
    std::vector<float> interleaved(4096 * data.channels.size());
    bool ok = true;
    for (long long pos = 0; pos < frames && ok; pos += 4096) {
        long long n = std::min<long long>(4096, frames - pos);
        for (long long i = 0; i < n; ++i)
            for (size_t c = 0; c < data.channels.size(); ++c)
                interleaved[static_cast<size_t>(i) * data.channels.size() + c] = data.channels[c][static_cast<size_t>(pos + i)];
        ok = sf_writef_float(file, interleaved.data(), n) == n;
    }
    if (!ok) error = "error while writing '" + path + "': " + sf_strerror(file);
    if (sf_close(file) != 0 && ok) {
        ok = false;
        error = "error while writing '" + path + "'";
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot replace '" + path + "'";
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}
