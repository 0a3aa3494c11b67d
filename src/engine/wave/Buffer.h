#pragma once
#include <cstddef>

namespace wave {

// A block of samples: 16-byte aligned, zero-initialised, with room for the capacity rounded up to a
// multiple of four, so loops may always work in whole groups of four.
class Buffer {
public:
    explicit Buffer(int capacity);
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    int capacity() const { return capacity_; }
    float* data() { return data_; }
    const float* data() const { return data_; }
    float& operator[](int i) { return data_[i]; }
    float operator[](int i) const { return data_[i]; }

    // Number of floats actually allocated (capacity rounded up to a multiple of four).
    int paddedSize() const { return padded_; }
    void clear();

    // Sample loops process n frames as this many groups of four.
    static int groups(int frames) { return frames > 0 ? ((frames - 1) >> 2) + 1 : 0; }

private:
    int capacity_;
    int padded_;
    float* data_;
};

}  // namespace wave
