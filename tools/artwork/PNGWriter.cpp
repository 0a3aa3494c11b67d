#include "PNGWriter.h"

#include <zlib.h>

#include <cstdlib>
#include <stdexcept>

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    put32(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
    put32(out, std::uint32_t(crc));
}

int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

std::vector<std::uint8_t> encodePNG(const std::vector<std::uint8_t>& rgba, int width, int height) {
    const std::size_t stride = std::size_t(width) * 4;
    std::vector<std::uint8_t> filtered;
    filtered.reserve((stride + 1) * height);
    std::vector<std::uint8_t> zero(stride, 0);
    std::vector<std::uint8_t> candidate(stride);
    std::vector<std::uint8_t> best(stride);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rgba.data() + y * stride;
        const std::uint8_t* above = y > 0 ? rgba.data() + (y - 1) * stride : zero.data();
        long bestScore = -1;
        int bestFilter = 0;
        for (int filter = 0; filter < 5; ++filter) {
            long score = 0;
            for (std::size_t i = 0; i < stride; ++i) {
                const int left = i >= 4 ? row[i - 4] : 0;
                const int upperLeft = i >= 4 ? above[i - 4] : 0;
                int predicted = 0;
                switch (filter) {
                    case 1: predicted = left; break;
                    case 2: predicted = above[i]; break;
                    case 3: predicted = (left + above[i]) >> 1; break;
                    case 4: predicted = paeth(left, above[i], upperLeft); break;
                    default: break;
                }
                candidate[i] = std::uint8_t(row[i] - predicted);
                score += std::abs(int(static_cast<std::int8_t>(candidate[i])));
            }
            if (bestScore < 0 || score < bestScore) {
                bestScore = score;
                bestFilter = filter;
                best = candidate;
            }
        }
        filtered.push_back(std::uint8_t(bestFilter));
        filtered.insert(filtered.end(), best.begin(), best.end());
    }
    uLongf compressedSize = compressBound(uLong(filtered.size()));
    std::vector<std::uint8_t> compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), uLong(filtered.size()), 9) != Z_OK)
        throw std::runtime_error("compression failed");
    compressed.resize(compressedSize);

    std::vector<std::uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> header;
    put32(header, std::uint32_t(width));
    put32(header, std::uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(out, "IHDR", header);
    std::vector<std::uint8_t> gamma;
    put32(gamma, 45455);
    chunk(out, "gAMA", gamma);
    chunk(out, "IDAT", compressed);
    chunk(out, "IEND", {});
    return out;
}
