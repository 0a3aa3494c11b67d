#include "engine/wave/Buffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace wave {

Buffer::Buffer(int capacity) : capacity_(capacity < 0 ? 0 : capacity), padded_(((capacity_ + 3) & ~3) + 4) {
    data_ = static_cast<float*>(std::aligned_alloc(16, sizeof(float) * static_cast<size_t>(padded_)));
    if (!data_) throw std::bad_alloc();
    clear();
}

Buffer::~Buffer() { std::free(data_); }

void Buffer::clear() { std::memset(data_, 0, sizeof(float) * static_cast<size_t>(padded_)); }

}  // namespace wave
