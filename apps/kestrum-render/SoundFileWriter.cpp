#include "SoundFileWriter.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "OggPageWriter.h"

namespace {

// Virtual I/O for Ogg: libsndfile only ever appends to an Ogg stream, so seeking is refused.
sf_count_t oggLength(void* user) { return static_cast<OggPageWriter*>(user)->position(); }
sf_count_t oggSeek(sf_count_t offset, int whence, void* user) {
    const sf_count_t here = static_cast<OggPageWriter*>(user)->position();
    if ((whence == SEEK_CUR && offset == 0) || (whence == SEEK_SET && offset == here)) return here;
    return -1;
}
sf_count_t oggRead(void*, sf_count_t, void*) { return 0; }
sf_count_t oggWrite(const void* data, sf_count_t count, void* user) {
    return static_cast<OggPageWriter*>(user)->write(data, static_cast<size_t>(count)) ? count : 0;
}
sf_count_t oggTell(void* user) { return static_cast<OggPageWriter*>(user)->position(); }

}  // namespace

SoundFileWriter::~SoundFileWriter() {
    std::string ignored;
    close(ignored);
}

bool SoundFileWriter::open(int fd, const OutputFormat& format, int channels, int sampleRate, const std::string& name,
                           std::string& error) {
    fd_ = fd;
    name_ = name;
    channels_ = channels;
    integer_ = format.integerSamples();
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format.libsndfileFormat();
    if (format.type() == OutputFormat::Type::Ogg) {
        static SF_VIRTUAL_IO io{oggLength, oggSeek, oggRead, oggWrite, oggTell};
        ogg_ = std::make_unique<OggPageWriter>(fd);
        file_ = sf_open_virtual(&io, SFM_WRITE, &info, ogg_.get());
    } else {
        file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    }
    if (!file_) {
        error = "cannot write " + format.displayName() + " at " + std::to_string(sampleRate) + " Hz with " +
                std::to_string(channels) + (channels == 1 ? " channel" : " channels") + " to '" + name + "': " +
                sf_strerror(nullptr);
        return false;
    }
    // No PEAK chunk: it carries a time stamp, and the same render must give the same bytes.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer formats clip instead of wrapping around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool SoundFileWriter::write(const float* const* buffers, int frames) {
    if (!file_ || failed_) return false;
    const size_t needed = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
    if (interleaved_.size() < needed) interleaved_.resize(needed);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels_; ++c) {
            const float x = buffers[c][i];
            const float magnitude = std::fabs(x);
            if (magnitude > peak_) peak_ = magnitude;
            if (magnitude > 1.0f) ++clipped_;
            interleaved_[static_cast<size_t>(i) * static_cast<size_t>(channels_) + static_cast<size_t>(c)] = x;
        }
    if (sf_writef_float(file_, interleaved_.data(), frames) != frames) failed_ = true;
    frames_ += frames;
    return !failed_;
}

bool SoundFileWriter::close(std::string& error) {
    bool ok = !failed_;
    if (failed_) error = "error while writing '" + name_ + "': " + (file_ ? sf_strerror(file_) : "the file is not open");
    if (file_) {
        if (sf_close(file_) != 0 && ok) {
            ok = false;
            error = "error while writing '" + name_ + "'";
        }
        file_ = nullptr;
    }
    if (ogg_ && !ogg_->flush() && ok) {
        ok = false;
        error = "error while writing '" + name_ + "'";
    }
    if (fd_ >= 0) {
        // A file that is about to replace another is on the disk before it does.
        struct stat st {};
        if (ok && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && fsync(fd_) != 0) {
            ok = false;
            error = "error while writing '" + name_ + "'";
        }
        if (::close(fd_) != 0 && ok) {
            ok = false;
            error = "error while writing '" + name_ + "'";
        }
        fd_ = -1;
    }
    ogg_.reset();
    return ok;
}
