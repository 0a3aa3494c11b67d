#include "gui/PNGFiler.h"

#include <cstdlib>
#include <cstring>

#include "gui/Bitmap.h"
#include "gui/EBitmap.h"

namespace gui {

namespace {

const char* const kInvalidSignature = "Invalid PNG signature";
const char* const kInvalidImage = "Invalid PNG image";
const char* const kUnsupported = "Unsupported PNG format";

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// The standard Paeth predictor: the neighbour closest to left + above - upper-left.
int paeth(int left, int above, int upperLeft) {
    const int pa = std::abs(above - upperLeft);
    const int pb = std::abs(left - upperLeft);
    const int pc = std::abs(left + above - 2 * upperLeft);
    if (pa <= pb && pa <= pc) return left;
    if (pb <= pc) return above;
    return upperLeft;
}

// Undoes the row filter in place. `row` and `previous` hold the filter byte followed by the data.
void unfilter(std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int channels) {
    std::uint8_t* data = row + 1;
    const std::uint8_t* above = previous + 1;
    const std::size_t count = size - 1;
    switch (row[0]) {
        case 1:
            for (std::size_t i = channels; i < count; ++i) data[i] = std::uint8_t(data[i] + data[i - channels]);
            break;
        case 2:
            for (std::size_t i = 0; i < count; ++i) data[i] = std::uint8_t(data[i] + above[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < count; ++i) {
                const int left = i >= std::size_t(channels) ? data[i - channels] : 0;
                data[i] = std::uint8_t(data[i] + ((left + above[i]) >> 1));
            }
            break;
        case 4:
            for (std::size_t i = 0; i < count; ++i) {
                const bool first = i < std::size_t(channels);
                const int left = first ? 0 : data[i - channels];
                const int upperLeft = first ? 0 : above[i - channels];
                data[i] = std::uint8_t(data[i] + paeth(left, above[i], upperLeft));
            }
            break;
        default:
            break;  // 0 is "none"; unknown filters leave the row as read
    }
}

}  // namespace

PNGFiler::PNGFiler(Bitmap& bitmap) : bitmap_(bitmap) {}

PNGFiler::~PNGFiler() { releaseInflate(); }

void PNGFiler::releaseInflate() {
    if (inflateOpen_) {
        inflateEnd(&inflate_);
        inflateOpen_ = false;
    }
}

void PNGFiler::readExactly(void* buffer, std::size_t size) {
    if (stream_->read(buffer, size) != size) throw EBitmap(kInvalidImage);
}

PNGFiler::ChunkHeader PNGFiler::readChunkHeader() {
    stream_->seek(nextChunk_);
    std::uint8_t header[8];
    readExactly(header, sizeof header);
    ChunkHeader chunk{bigEndian32(header), std::string(reinterpret_cast<const char*>(header + 4), 4)};
    // The data, then a CRC we skip.
    nextChunk_ = stream_->getPosition() + std::uint64_t(chunk.length) + 4;
    return chunk;
}

void PNGFiler::read(InputStream& stream) {
    stream_ = &stream;
    nextChunk_ = stream.getPosition();
    readSignature();
    readHeader();
    readGamma();
    readImageData();
}

void PNGFiler::readSignature() {
    std::uint8_t signature[8];
    if (stream_->read(signature, sizeof signature) != sizeof signature ||
        std::memcmp(signature, kSignature, sizeof signature) != 0)
        throw EBitmap(kInvalidSignature);
    nextChunk_ = stream_->getPosition();
}

void PNGFiler::readHeader() {
    const ChunkHeader chunk = readChunkHeader();
    if (chunk.type != "IHDR") throw EBitmap(kInvalidImage);
    std::uint8_t data[13];
    readExactly(data, sizeof data);
    const std::uint32_t width = bigEndian32(data);
    const std::uint32_t height = bigEndian32(data + 4);
    const int bitDepth = data[8];
    const int colourType = data[9];
    const bool methodsSupported = data[10] == 0 && data[11] == 0 && data[12] == 0;
    if (width < 1 || width > 0x7FFFFFFFu || height < 1 || height > 0x7FFFFFFFu || bitDepth != 8 ||
        (colourType != 2 && colourType != 6) || !methodsSupported)
        throw EBitmap(kUnsupported);
    if (width > kMaxSide || height > kMaxSide || std::uint64_t(width) * height > kMaxPixels) throw EBitmap(kUnsupported);
    width_ = width;
    height_ = height;
    channels_ = colourType == 2 ? 3 : 4;
    bitmap_.setSize(int(width), int(height));
}

void PNGFiler::readGamma() {
    const std::uint64_t saved = nextChunk_;
    double exponent = 1.010101;
    for (;;) {
        const ChunkHeader chunk = readChunkHeader();
        if (chunk.type == "gAMA") {
            std::uint8_t data[4];
            readExactly(data, sizeof data);
            exponent = 1.0 / (bigEndian32(data) * 0.00001 * 2.2);
            break;
        }
        if (chunk.type == "IDAT" || chunk.type == "IEND") break;
    }
    gamma_ = GammaTable::forExponent(exponent * GammaTable::getFactor());
    nextChunk_ = saved;
}

void PNGFiler::refillInput() {
    while (idatRemaining_ == 0) {
        const ChunkHeader chunk = readChunkHeader();
        if (chunk.type != "IDAT") throw EBitmap(kInvalidImage);
        idatRemaining_ = chunk.length;
    }
    const std::size_t piece = std::min<std::uint32_t>(idatRemaining_, sizeof input_);
    readExactly(input_, piece);
    idatRemaining_ -= std::uint32_t(piece);
    inflate_.next_in = input_;
    inflate_.avail_in = uInt(piece);
}

void PNGFiler::inflateRow(std::uint8_t* row, std::size_t size) {
    inflate_.next_out = row;
    inflate_.avail_out = uInt(size);
    while (inflate_.avail_out > 0) {
        const int result = inflate(&inflate_, Z_SYNC_FLUSH);
        if (result == Z_BUF_ERROR && inflate_.avail_in == 0) {
            // No progress without more input: this is the normal end of one piece, not an error.
            refillInput();
            continue;
        }
        if (result == Z_STREAM_END && inflate_.avail_out > 0) throw EBitmap(kInvalidImage);
        if (result != Z_OK && result != Z_STREAM_END) throw EBitmap(kInvalidImage);
        if (inflate_.avail_out > 0 && inflate_.avail_in == 0) refillInput();
    }
}

void PNGFiler::readImageData() {
    for (;;) {
        const ChunkHeader chunk = readChunkHeader();
        if (chunk.type == "IDAT") {
            idatRemaining_ = chunk.length;
            break;
        }
        if (chunk.type == "IEND") throw EBitmap(kInvalidImage);
    }
    inflate_ = z_stream{};
    if (inflateInit(&inflate_) != Z_OK) throw EBitmap(kInvalidImage);
    inflateOpen_ = true;

    const std::size_t rowSize = std::size_t(channels_) * width_ + 1;
    std::vector<std::uint8_t> current(rowSize, 0);
    std::vector<std::uint8_t> previous(rowSize, 0);
    bool transparent = false;
    for (std::uint32_t y = 0; y < height_; ++y) {
        inflateRow(current.data(), rowSize);
        unfilter(current.data(), previous.data(), rowSize, channels_);
        std::uint8_t* target = bitmap_.row(int(y));
        const std::uint8_t* source = current.data() + 1;
        for (std::uint32_t x = 0; x < width_; ++x, source += channels_, target += 4) {
            target[0] = std::uint8_t(gamma_[source[0]]);
            target[1] = std::uint8_t(gamma_[source[1]]);
            target[2] = std::uint8_t(gamma_[source[2]]);
            target[3] = channels_ == 4 ? source[3] : 255;
            transparent = transparent || target[3] < 255;
        }
        std::swap(current, previous);
    }
    bitmap_.markChanged();
    bitmap_.setTransparency(transparent);
    releaseInflate();
}

}  // namespace gui
