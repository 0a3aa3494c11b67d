#pragma once
#include <cstdint>

namespace gui {

// A straight (not premultiplied) RGBA colour with 8 bits per channel.
struct Colour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    bool operator==(const Colour&) const = default;
    constexpr Colour withAlpha(std::uint8_t alpha) const { return {r, g, b, alpha}; }
    // Scales the alpha by a factor in 0..1.
    constexpr Colour fadedBy(double factor) const {
        const double scaled = a * (factor < 0 ? 0 : factor > 1 ? 1 : factor);
        return {r, g, b, static_cast<std::uint8_t>(scaled + 0.5)};
    }
};

}  // namespace gui
