// Optimisations keep the sound: every setting of support/ProductSettings.h is rendered in host
// buffers of 512 frames and windows of the output are compared with renders stored in
// tests/product/data/reference (float32 little-endian, left and right interleaved). The difference
// must stay below -120 dB of full scale.
//
// KESTRUM_WRITE_REFERENCE=1 in the environment rewrites the stored renders from the current code
// (after a change that is meant to alter the sound) instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/ProductSettings.h"

namespace {

using namespace product_settings;

constexpr int kHostBuffer = 512;
constexpr int kWindow = 512;
// Window starts: the first block, after the ramps have settled, and late in the programme.
constexpr long kWindowStarts[] = {0, 6144, 15360, 23552};
constexpr long kRenderFrames = 24064;
const float kLimit = std::pow(10.0f, -120.0f / 20.0f);

std::string referencePath(Setting s) {
    return std::string(KESTRUM_SOURCE_DIR) + "/tests/product/data/reference/" + name(s) + ".f32";
}

// The windows of a render, interleaved stereo.
std::vector<float> renderWindows(Setting setting) {
    KestrumPlugin plugin(2);
    plugin.setSampleRate(kSampleRate);
    configure(plugin, setting);
    plugin.reset();
    const Programme programme;
    Driver driver(plugin, setting);
    std::vector<float> left(kRenderFrames), right(kRenderFrames);
    for (long at = 0; at < kRenderFrames; at += kHostBuffer) {
        float* outs[2] = {left.data() + at, right.data() + at};
        driver.process(programme, at, outs, kHostBuffer);
    }
    std::vector<float> windows;
    for (long start : kWindowStarts) {
        for (long i = start; i < start + kWindow; ++i) {
            windows.push_back(left[static_cast<size_t>(i)]);
            windows.push_back(right[static_cast<size_t>(i)]);
        }
    }
    return windows;
}

// Little-endian float32 on disk whatever the host order.
void writeFloats(const std::string& path, const std::vector<float>& values) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (float v : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                        static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
        file.write(reinterpret_cast<const char*>(bytes), 4);
    }
}

std::vector<float> readFloats(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<float> values;
    unsigned char bytes[4];
    while (file.read(reinterpret_cast<char*>(bytes), 4)) {
        const std::uint32_t bits = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                   static_cast<std::uint32_t>(bytes[2]) << 16 |
                                   static_cast<std::uint32_t>(bytes[3]) << 24;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
    }
    return values;
}

class ReferenceRender : public ::testing::TestWithParam<Setting> {};

TEST_P(ReferenceRender, MatchesTheStoredRenderWithin120dB) {
    const Setting setting = GetParam();
    const std::vector<float> now = renderWindows(setting);
    const char* write = std::getenv("KESTRUM_WRITE_REFERENCE");
    if (write && std::string(write) == "1") writeFloats(referencePath(setting), now);

    const std::vector<float> stored = readFloats(referencePath(setting));
    ASSERT_EQ(stored.size(), now.size()) << "missing or truncated " << referencePath(setting);
    float peak = 0.0f, worst = 0.0f;
    size_t worstAt = 0;
    for (size_t i = 0; i < now.size(); ++i) {
        ASSERT_TRUE(std::isfinite(now[i])) << "sample " << i;
        peak = std::max(peak, std::fabs(stored[i]));
        const float d = std::fabs(now[i] - stored[i]);
        if (d > worst) {
            worst = d;
            worstAt = i;
        }
    }
    // A render of silence would match a broken chain too.
    EXPECT_GT(peak, 0.01f);
    EXPECT_LT(worst, kLimit) << "largest difference " << 20.0f * std::log10(worst) << " dB at window sample "
                             << worstAt / 2 << (worstAt % 2 ? " right" : " left");
    std::printf("%s: largest difference %g (%s)\n", name(setting), static_cast<double>(worst),
                worst == 0.0f ? "bit-exact" : "within the limit");
}

INSTANTIATE_TEST_SUITE_P(Settings, ReferenceRender, ::testing::ValuesIn(kAllSettings),
                         [](const ::testing::TestParamInfo<Setting>& param) { return std::string(name(param.param)); });

}  // namespace
