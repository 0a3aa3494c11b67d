#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/QueueStorage.h"

// A bounded first-in-first-out queue for any number of producer threads and one consumer thread.
// All storage is allocated by the constructor; nothing allocates, locks or waits afterwards.
//
// Every slot carries a sequence number that says whose turn it is: a producer claims the next
// position with a compare-and-swap on the tail, writes the value and then publishes the slot; the
// consumer takes a slot only once it is published, so a producer that is preempted between claim
// and publish delays the values behind it but never loses or tears one. Producers are lock-free
// (a failed compare-and-swap means another producer made progress); tryPush bounds the retries so
// that a real-time producer has a fixed worst case. Values from one producer keep their order.
// The capacity is rounded up to a power of two (at least 2); a push into a full queue fails and the
// caller drops the value.
template <class T>
class MpscQueue {
    static_assert(std::is_default_constructible_v<T>, "queue slots are constructed up front");
    static_assert(std::is_move_assignable_v<T>, "values are moved in and out of the slots");

public:
    explicit MpscQueue(std::size_t capacity)
        : capacity_(queue_detail::roundUpToPowerOfTwo(capacity)),
          mask_(capacity_ - 1),
          slots_(std::make_unique<Slot[]>(capacity_)) {
        for (std::size_t i = 0; i < capacity_; ++i) slots_[i].sequence.store(i, std::memory_order_relaxed);
    }
    MpscQueue(const MpscQueue&) = delete;
    MpscQueue& operator=(const MpscQueue&) = delete;

    // Any thread. Retries while other producers win the race; false only when the queue is full.
    bool push(const T& value) { return pushValue(value, SIZE_MAX); }
    bool push(T&& value) { return pushValue(std::move(value), SIZE_MAX); }

    // Any thread. Like push, but gives up after `attempts` lost races (and returns false), so the
    // worst case is bounded even under heavy contention.
    bool tryPush(const T& value, std::size_t attempts) { return pushValue(value, attempts); }
    bool tryPush(T&& value, std::size_t attempts) { return pushValue(std::move(value), attempts); }

    // Consumer thread only. False when nothing published is waiting.
    bool pop(T& out) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        Slot& slot = slots_[head & mask_];
        // Acquire: pairs with the producer's publishing store, so the value is complete.
        if (slot.sequence.load(std::memory_order_acquire) != head + 1) return false;
        out = std::move(slot.value);
        // Hands the slot to the producer that will claim position head + capacity.
        slot.sequence.store(head + capacity_, std::memory_order_release);
        head_.store(head + 1, std::memory_order_relaxed);
        return true;
    }

    std::size_t capacity() const { return capacity_; }
    // Values claimed but not yet popped; a snapshot while producers are active.
    std::size_t size() const {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        return tail >= head ? tail - head : 0;
    }
    bool empty() const { return size() == 0; }

private:
    struct Slot {
        std::atomic<std::size_t> sequence{0};
        T value{};
    };

    template <class U>
    bool pushValue(U&& value, std::size_t attempts) {
        std::size_t tail = tail_.load(std::memory_order_relaxed);
        for (;;) {
            Slot& slot = slots_[tail & mask_];
            const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
            const auto difference = static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(tail);
            if (difference == 0) {
                // The slot is free for this position: try to claim it.
                if (tail_.compare_exchange_weak(tail, tail + 1, std::memory_order_relaxed)) {
                    slot.value = std::forward<U>(value);
                    slot.sequence.store(tail + 1, std::memory_order_release);
                    return true;
                }
                // Lost the race; `tail` now holds the current position.
            } else if (difference < 0) {
                // The slot still holds a value from one lap ago: the queue is full.
                return false;
            } else {
                // Another producer claimed this position already.
                tail = tail_.load(std::memory_order_relaxed);
            }
            if (attempts != SIZE_MAX && --attempts == 0) return false;
        }
    }

    const std::size_t capacity_;
    const std::size_t mask_;
    std::unique_ptr<Slot[]> slots_;
    alignas(queue_detail::kCacheLine) std::atomic<std::size_t> tail_{0};
    alignas(queue_detail::kCacheLine) std::atomic<std::size_t> head_{0};
};
