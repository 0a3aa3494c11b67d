#pragma once
#include <atomic>
#include <cstddef>
#include <memory>

// Bounded multi-producer/single-consumer queue (sequence-numbered slots). Producers on any thread
// claim a slot with a compare-and-swap; the consumer never waits. push() refuses when full.
template <class T>
class MpscQueue {
public:
    explicit MpscQueue(size_t capacity) {
        size_t n = 2;
        while (n < capacity) n <<= 1;
        mask_ = n - 1;
        slots_ = std::make_unique<Slot[]>(n);
        for (size_t i = 0; i < n; ++i) slots_[i].sequence.store(i, std::memory_order_relaxed);
    }

    bool push(const T& item) {
        size_t pos = head_.load(std::memory_order_relaxed);
        for (;;) {
            Slot& slot = slots_[pos & mask_];
            size_t seq = slot.sequence.load(std::memory_order_acquire);
            auto diff = static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(pos);
            if (diff == 0) {
                if (head_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
                    slot.value = item;
                    slot.sequence.store(pos + 1, std::memory_order_release);
                    return true;
                }
            } else if (diff < 0) {
                return false;  // full
            } else {
                pos = head_.load(std::memory_order_relaxed);
            }
        }
    }

    bool pop(T& item) {
        Slot& slot = slots_[tail_ & mask_];
        size_t seq = slot.sequence.load(std::memory_order_acquire);
        if (static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(tail_ + 1) < 0) return false;
        item = slot.value;
        slot.sequence.store(tail_ + mask_ + 1, std::memory_order_release);
        ++tail_;
        return true;
    }

    size_t capacity() const { return mask_ + 1; }

private:
    struct Slot {
        std::atomic<size_t> sequence{0};
        T value{};
    };
    std::unique_ptr<Slot[]> slots_;
    size_t mask_ = 0;
    std::atomic<size_t> head_{0};
    size_t tail_ = 0;
};
