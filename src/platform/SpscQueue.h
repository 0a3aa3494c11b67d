#pragma once
#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/QueueStorage.h"

// A bounded first-in-first-out queue for exactly one producer thread and one consumer thread.
// All storage is allocated by the constructor; push and pop never allocate, lock or wait.
// The capacity is rounded up to a power of two (at least 2); push fails when the queue is full,
// and the caller then drops the value. Construction and destruction must not race either side.
template <class T>
class SpscQueue {
    static_assert(std::is_default_constructible_v<T>, "queue slots are constructed up front");
    static_assert(std::is_move_assignable_v<T>, "values are moved in and out of the slots");

public:
    explicit SpscQueue(std::size_t capacity)
        : capacity_(queue_detail::roundUpToPowerOfTwo(capacity)),
          mask_(capacity_ - 1),
          slots_(std::make_unique<T[]>(capacity_)) {}
    SpscQueue(const SpscQueue&) = delete;
    SpscQueue& operator=(const SpscQueue&) = delete;

    // Producer thread. Returns false (and leaves the queue unchanged) when it is full.
    bool push(const T& value) { return emplaceValue(value); }
    bool push(T&& value) { return emplaceValue(std::move(value)); }

    // Consumer thread. Returns false when the queue is empty.
    bool pop(T& out) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == cachedTail_) {
            cachedTail_ = tail_.load(std::memory_order_acquire);
            if (head == cachedTail_) return false;
        }
        out = std::move(slots_[head & mask_]);
        // Release: the slot read above completes before the producer may overwrite it.
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer thread: discards everything queued so far.
    void clear() {
        cachedTail_ = tail_.load(std::memory_order_acquire);
        head_.store(cachedTail_, std::memory_order_release);
    }

    std::size_t capacity() const { return capacity_; }
    // Exact on either side when the other side is idle, a snapshot otherwise.
    std::size_t size() const {
        const std::size_t head = head_.load(std::memory_order_acquire);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        return tail - head;
    }
    bool empty() const { return size() == 0; }

private:
    template <class U>
    bool emplaceValue(U&& value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - cachedHead_ >= capacity_) {
            cachedHead_ = head_.load(std::memory_order_acquire);
            if (tail - cachedHead_ >= capacity_) return false;
        }
        slots_[tail & mask_] = std::forward<U>(value);
        // Release: the slot write above is visible before the consumer sees the new tail.
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    const std::size_t capacity_;
    const std::size_t mask_;
    std::unique_ptr<T[]> slots_;
    // Consumer side: its index and its last view of the producer's index.
    alignas(queue_detail::kCacheLine) std::atomic<std::size_t> head_{0};
    std::size_t cachedTail_ = 0;
    // Producer side: its index and its last view of the consumer's index.
    alignas(queue_detail::kCacheLine) std::atomic<std::size_t> tail_{0};
    std::size_t cachedHead_ = 0;
};
