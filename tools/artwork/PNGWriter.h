#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes straight-alpha RGBA pixels as an 8-bit RGBA, non-interlaced PNG with a gAMA chunk of
// 1/2.2 (so the toolkit's reader leaves the colours as drawn). Each row takes the filter that
// gives the smallest sum of absolute differences, as common encoders do.
std::vector<std::uint8_t> encodePNG(const std::vector<std::uint8_t>& rgba, int width, int height);
