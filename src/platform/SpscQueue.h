#pragma once
#include <atomic>
#include <cstddef>
#include <vector>

// Bounded single-producer/single-consumer ring. Storage is allocated once at construction;
// push and pop never allocate, lock or wait. push() refuses (returns false) when full.
template <class T>
class SpscQueue {
public:
    explicit SpscQueue(size_t capacity) : slots_(roundUp(capacity + 1)), mask_(slots_.size() - 1) {}

    bool push(const T& item) {
        size_t head = head_.load(std::memory_order_relaxed);
        size_t next = (head + 1) & mask_;
        if (next == tail_.load(std::memory_order_acquire)) return false;
        slots_[head] = item;
        head_.store(next, std::memory_order_release);
        return true;
    }
    bool pop(T& item) {
        size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return false;
        item = slots_[tail];
        tail_.store((tail + 1) & mask_, std::memory_order_release);
        return true;
    }
    bool empty() const { return tail_.load(std::memory_order_acquire) == head_.load(std::memory_order_acquire); }
    size_t capacity() const { return mask_; }

private:
    static size_t roundUp(size_t n) {
        size_t p = 2;
        while (p < n) p <<= 1;
        return p;
    }
    std::vector<T> slots_;
    size_t mask_;
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
};
