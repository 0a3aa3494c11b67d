#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "gui/BitmapFiler.h"
#include "gui/GammaTable.h"

namespace gui {

class Bitmap;

// Reads the PNG subset our images use: 8-bit RGB or RGBA, not interlaced, zlib-compressed rows
// with the five standard filters. Chunk CRCs are not checked. A gamma table (from the file's gAMA
// chunk, or 1.010101 without one, times the process gamma factor) is applied to the colour bytes.
class PNGFiler final : public BitmapFiler {
public:
    static constexpr std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    // Images larger than this are refused as unsupported instead of exhausting memory.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 26;
    static constexpr std::uint32_t kMaxSide = 32768;

    explicit PNGFiler(Bitmap& bitmap);
    ~PNGFiler() override;
    PNGFiler(const PNGFiler&) = delete;
    PNGFiler& operator=(const PNGFiler&) = delete;

    void read(InputStream& stream) override;

    int getChannels() const { return channels_; }

private:
    struct ChunkHeader {
        std::uint32_t length;
        std::string type;
    };

    ChunkHeader readChunkHeader();
    void readExactly(void* buffer, std::size_t size);
    void readSignature();
    void readHeader();
    void readGamma();
    void readImageData();
    // Fills the inflate input from the IDAT chunks; false when the data ran out.
    void refillInput();
    void inflateRow(std::uint8_t* row, std::size_t size);
    void releaseInflate();

    Bitmap& bitmap_;
    InputStream* stream_ = nullptr;
    std::uint64_t nextChunk_ = 0;
    std::uint32_t idatRemaining_ = 0;
    std::uint8_t input_[1024];
    z_stream inflate_{};
    bool inflateOpen_ = false;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    int channels_ = 0;
    GammaTable::Table gamma_{};
};

}  // namespace gui
