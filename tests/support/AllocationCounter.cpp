#include "support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> armed{false};
std::atomic<size_t> count{0};

void* allocate(size_t size, size_t alignment) {
    if (armed.load(std::memory_order_relaxed)) {
        count.fetch_add(1, std::memory_order_relaxed);
        if (std::getenv("KESTRUM_TRAP_ALLOC")) __builtin_trap();
    }
    if (size == 0) size = 1;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                    : std::malloc(size);
    if (!p) throw std::bad_alloc();
    return p;
}
}  // namespace

namespace alloc_counter {
void arm() {
    count.store(0);
    armed.store(true);
}
size_t disarm() {
    armed.store(false);
    return count.load();
}
}  // namespace alloc_counter

void* operator new(size_t size) { return allocate(size, 0); }
void* operator new[](size_t size) { return allocate(size, 0); }
void* operator new(size_t size, std::align_val_t a) { return allocate(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a) { return allocate(size, static_cast<size_t>(a)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }
