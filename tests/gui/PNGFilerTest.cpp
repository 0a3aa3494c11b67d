#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../../tools/artwork/PNGWriter.h"
#include "gui/Artwork.h"
#include "gui/Bitmap.h"
#include "gui/EBitmap.h"
#include "gui/GammaTable.h"
#include "gui/MemoryInputStream.h"
#include "gui/PNGFiler.h"
#include "gui/PNGFilerFactory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}

void chunk(Bytes& out, const std::string& type, const Bytes& data) {
    put32(out, std::uint32_t(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    put32(out, 0);  // the reader ignores CRCs
}

// A PNG assembled piece by piece, so each test can break exactly one thing.
struct PngLayout {
    int width = 3;
    int height = 2;
    int bitDepth = 8;
    int colourType = 6;
    int interlace = 0;
    bool gamma = true;
    std::uint32_t gammaValue = 45455;
    int idatPieces = 1;
    bool chunkBetweenIdat = false;
    int filter = 0;  // filter byte for every row (the data is stored as that filter expects)
};

Bytes rawPixels(const PngLayout& s) {
    const int channels = s.colourType == 2 ? 3 : 4;
    Bytes pixels;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < channels; ++c) pixels.push_back(std::uint8_t(x * 70 + y * 30 + c * 50 + (c == 3 ? 100 : 0)));
    return pixels;
}

int paethPredict(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

Bytes build(const PngLayout& s) {
    const int channels = s.colourType == 2 ? 3 : 4;
    const Bytes pixels = rawPixels(s);
    const std::size_t stride = std::size_t(s.width) * channels;
    Bytes filtered;
    for (int y = 0; y < s.height; ++y) {
        filtered.push_back(std::uint8_t(s.filter));
        for (std::size_t i = 0; i < stride; ++i) {
            const int value = pixels[y * stride + i];
            const int left = i >= std::size_t(channels) ? pixels[y * stride + i - channels] : 0;
            const int up = y > 0 ? pixels[(y - 1) * stride + i] : 0;
            const int upLeft = (y > 0 && i >= std::size_t(channels)) ? pixels[(y - 1) * stride + i - channels] : 0;
            int predicted = 0;
            if (s.filter == 1) predicted = left;
            if (s.filter == 2) predicted = up;
            if (s.filter == 3) predicted = (left + up) / 2;
            if (s.filter == 4) predicted = paethPredict(left, up, upLeft);
            filtered.push_back(std::uint8_t(value - predicted));
        }
    }
    uLongf size = compressBound(uLong(filtered.size()));
    Bytes compressed(size);
    compress2(compressed.data(), &size, filtered.data(), uLong(filtered.size()), 9);
    compressed.resize(size);

    Bytes out(gui::PNGFiler::kSignature, gui::PNGFiler::kSignature + 8);
    Bytes header;
    put32(header, std::uint32_t(s.width));
    put32(header, std::uint32_t(s.height));
    header.insert(header.end(), {std::uint8_t(s.bitDepth), std::uint8_t(s.colourType), 0, 0, std::uint8_t(s.interlace)});
    chunk(out, "IHDR", header);
    if (s.gamma) {
        Bytes g;
        put32(g, s.gammaValue);
        chunk(out, "gAMA", g);
    }
    const std::size_t piece = (compressed.size() + s.idatPieces - 1) / s.idatPieces;
    for (int p = 0; p < s.idatPieces; ++p) {
        const std::size_t from = std::min(compressed.size(), p * piece);
        const std::size_t to = std::min(compressed.size(), from + piece);
        chunk(out, "IDAT", Bytes(compressed.begin() + from, compressed.begin() + to));
        if (s.chunkBetweenIdat && p == 0) chunk(out, "tEXt", Bytes{'a', 0, 'b'});
    }
    chunk(out, "IEND", {});
    return out;
}

void decode(const Bytes& png, gui::Bitmap& bitmap) {
    gui::MemoryInputStream stream(png.data(), png.size());
    gui::PNGFilerFactory factory;
    auto filer = factory.create(bitmap, stream);
    if (!filer) throw gui::EBitmap("Invalid PNG signature");
    filer->read(stream);
}

std::string decodeError(const Bytes& png) {
    gui::Bitmap bitmap;
    gui::MemoryInputStream stream(png.data(), png.size());
    gui::PNGFiler filer(bitmap);
    try {
        filer.read(stream);
    } catch (const gui::EBitmap& e) {
        return e.what();
    }
    return "";
}

TEST(PNGFiler, AllFiveFiltersDecodeToTheSamePixels) {
    for (int filter = 0; filter <= 4; ++filter) {
        PngLayout layout;
        layout.width = 5;
        layout.height = 4;
        layout.filter = filter;
        gui::Bitmap bitmap;
        decode(build(layout), bitmap);
        const Bytes expected = rawPixels(layout);
        ASSERT_EQ(bitmap.getWidth(), 5);
        ASSERT_EQ(bitmap.getHeight(), 4);
        // gAMA 45455 keeps colours as stored.
        EXPECT_EQ(bitmap.getPixels(), expected) << "filter " << filter;
    }
}

TEST(PNGFiler, RGBGetsOpaqueAlphaAndTransparencyFlagFollowsAlpha) {
    PngLayout rgb;
    rgb.colourType = 2;
    gui::Bitmap bitmap;
    decode(build(rgb), bitmap);
    EXPECT_EQ(bitmap.getPixel(2, 1).a, 255);
    EXPECT_EQ(bitmap.getPixel(2, 1).r, rawPixels(rgb)[(1 * 3 + 2) * 3]);
    EXPECT_FALSE(bitmap.hasTransparency());

    PngLayout rgba;  // the test pattern has alpha below 255
    decode(build(rgba), bitmap);
    EXPECT_TRUE(bitmap.hasTransparency());

    // An RGBA image that is opaque everywhere leaves the flag false.
    gui::Bitmap opaque;
    Bytes pixels(4 * 4 * 4, 255);
    decode(encodePNG(pixels, 4, 4), opaque);
    EXPECT_FALSE(opaque.hasTransparency());
}

TEST(PNGFiler, RefusesWhatTheSubsetDoesNotCover) {
    const std::string unsupported = "Unsupported PNG format";
    PngLayout grey;
    grey.colourType = 0;
    EXPECT_EQ(decodeError(build(grey)), unsupported);
    PngLayout palette;
    palette.colourType = 3;
    EXPECT_EQ(decodeError(build(palette)), unsupported);
    PngLayout deep;
    deep.bitDepth = 16;
    EXPECT_EQ(decodeError(build(deep)), unsupported);
    PngLayout interlaced;
    interlaced.interlace = 1;
    EXPECT_EQ(decodeError(build(interlaced)), unsupported);
    // 40000 x 40000 is refused before any memory is taken for it.
    Bytes png = build(PngLayout{});
    png[16] = 0x00; png[17] = 0x00; png[18] = 0x9C; png[19] = 0x40;
    png[20] = 0x00; png[21] = 0x00; png[22] = 0x9C; png[23] = 0x40;
    EXPECT_EQ(decodeError(png), unsupported);
}

TEST(PNGFiler, ReportsBrokenFiles) {
    Bytes png = build(PngLayout{});
    Bytes badSignature = png;
    badSignature[1] = 'Q';
    EXPECT_EQ(decodeError(badSignature), "Invalid PNG signature");
    gui::Bitmap bitmap;
    gui::MemoryInputStream stream(badSignature.data(), badSignature.size());
    EXPECT_EQ(gui::PNGFilerFactory().create(bitmap, stream), nullptr) << "other factories get their turn";
    EXPECT_EQ(stream.getPosition(), 0u);

    Bytes noHeader = png;
    std::memcpy(&noHeader[12], "IHDX", 4);
    EXPECT_EQ(decodeError(noHeader), "Invalid PNG image");
    EXPECT_EQ(decodeError(Bytes(png.begin(), png.begin() + png.size() / 2)), "Invalid PNG image");
    EXPECT_EQ(decodeError(Bytes(png.begin(), png.begin() + 8)), "Invalid PNG image");
}

TEST(PNGFiler, ImageDataSpansSeveralIdatChunksButNothingBetweenThem) {
    PngLayout split;
    split.width = 16;
    split.height = 16;
    split.idatPieces = 5;
    gui::Bitmap bitmap;
    decode(build(split), bitmap);
    EXPECT_EQ(bitmap.getPixels(), rawPixels(split));
    split.chunkBetweenIdat = true;
    EXPECT_EQ(decodeError(build(split)), "Invalid PNG image");
}

TEST(PNGFiler, GammaFromTheFileOrTheSlightDarkeningWithout) {
    PngLayout none;
    none.gamma = false;
    none.colourType = 2;
    gui::Bitmap bitmap;
    decode(build(none), bitmap);
    const std::uint8_t stored = rawPixels(none)[3];  // pixel (1, 0) red
    EXPECT_NEAR(gui::GammaTable::currentExponent(), 1.010101, 1e-9);
    EXPECT_EQ(bitmap.getPixel(1, 0).r, int(std::pow(stored / 255.0, 1.010101) * 255));
    EXPECT_LT(bitmap.getPixel(1, 0).r, stored);

    PngLayout neutral = none;
    neutral.gamma = true;
    decode(build(neutral), bitmap);
    EXPECT_EQ(bitmap.getPixel(1, 0).r, stored);

    PngLayout zero = none;  // a gamma of zero must not poison the table
    zero.gamma = true;
    zero.gammaValue = 0;
    decode(build(zero), bitmap);
    EXPECT_LE(bitmap.getPixel(1, 0).r, 255);
}

TEST(PNGFiler, GammaFactorScalesTheExponent) {
    gui::GammaTable::setFactor(2.0);
    PngLayout layout;
    layout.colourType = 2;
    gui::Bitmap bitmap;
    decode(build(layout), bitmap);
    gui::GammaTable::setFactor(1.0);
    const std::uint8_t stored = rawPixels(layout)[3];
    EXPECT_EQ(bitmap.getPixel(1, 0).r, int(std::pow(stored / 255.0, 2.0 / (0.45455 * 2.2)) * 255));
}

TEST(PNGFiler, GeneratorOutputDecodesToThePixelsDrawn) {
    // A pattern with edges, gradients and transparency, so the encoder picks several filters.
    const int w = 37, h = 23;
    Bytes pixels(std::size_t(w) * h * 4);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &pixels[(std::size_t(y) * w + x) * 4];
            p[0] = std::uint8_t(x * 7);
            p[1] = std::uint8_t(y * 11);
            p[2] = std::uint8_t((x > 18) ? random() : x * y);
            p[3] = std::uint8_t(y < 5 ? 0 : 255 - x);
        }
    gui::Bitmap bitmap;
    decode(encodePNG(pixels, w, h), bitmap);
    EXPECT_EQ(bitmap.getPixels(), pixels);
}

TEST(PNGFiler, EveryEmbeddedImageDecodesWithItsDenseTwin) {
    int checked = 0;
    for (const std::string& name : gui::Artwork::names()) {
        if (name.find("@2x") != std::string::npos) continue;
        const gui::Image image = gui::Artwork::get(name);
        ASSERT_FALSE(image.isEmpty()) << name;
        ASSERT_NE(image.getDense(), nullptr) << name;
        EXPECT_EQ(image.getDense()->getWidth(), 2 * image.getWidth()) << name;
        EXPECT_EQ(image.getDense()->getHeight(), 2 * image.getHeight()) << name;
        ++checked;
    }
    EXPECT_GT(checked, 40);
    EXPECT_TRUE(gui::Artwork::contains("routingsmidside4active.PNG")) << "names ignore case";
    EXPECT_THROW(gui::Artwork::get("Missing.png"), std::runtime_error);
}

TEST(PNGFiler, HundredThousandMutatedFilesNeverCrashOrHang) {
    std::vector<Bytes> seeds;
    PngLayout small;
    small.width = 6;
    small.height = 5;
    for (int filter = 0; filter <= 4; ++filter) {
        small.filter = filter;
        small.idatPieces = 1 + filter % 3;
        seeds.push_back(build(small));
    }
    std::size_t size = 0;
    const unsigned char* dot = gui::Artwork::find("DisplayPeak.png", size);
    ASSERT_NE(dot, nullptr);
    seeds.emplace_back(dot, dot + size);
    std::mt19937 random(20240611);
    int decoded = 0;
    int refused = 0;
    for (int i = 0; i < 100000; ++i) {
        Bytes png = seeds[i % seeds.size()];
        const int mutations = 1 + int(random() % 4);
        for (int m = 0; m < mutations; ++m) {
            const std::size_t at = random() % png.size();
            switch (random() % 4) {
                case 0: png[at] = std::uint8_t(random()); break;
                case 1: png[at] ^= std::uint8_t(1u << (random() % 8)); break;
                case 2: png.resize(std::max<std::size_t>(1, at)); break;
                default: png.insert(png.begin() + at, std::uint8_t(random())); break;
            }
        }
        gui::Bitmap bitmap;
        gui::MemoryInputStream stream(png.data(), png.size());
        gui::PNGFiler filer(bitmap);
        try {
            filer.read(stream);
            ++decoded;
            EXPECT_EQ(bitmap.getPixels().size(), std::size_t(bitmap.getWidth()) * bitmap.getHeight() * 4);
        } catch (const gui::EBitmap&) {
            ++refused;
        }
    }
    EXPECT_EQ(decoded + refused, 100000);
    EXPECT_GT(refused, 1000);
}

}  // namespace
