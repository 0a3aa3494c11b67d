#pragma once
#include <cstddef>

namespace queue_detail {

// Producer and consumer indices live on separate cache lines so they do not bounce between cores.
inline constexpr std::size_t kCacheLine = 64;

// The smallest power of two that is at least `value` and at least 2.
inline std::size_t roundUpToPowerOfTwo(std::size_t value) {
    std::size_t size = 2;
    while (size < value) size <<= 1;
    return size;
}

}  // namespace queue_detail
