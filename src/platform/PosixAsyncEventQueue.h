#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "platform/AsyncEventQueue.h"
#include "platform/MpscQueue.h"

// The event queue for a POSIX event loop. Any number of threads post at the same time (the queue
// is multi-producer safe); posting claims a slot in a fixed ring with a bounded number of
// compare-and-swap attempts and never allocates, locks or waits, so the audio thread may post.
// When the ring is full (or the attempts run out under contention) the new pair is dropped and
// counted. The first post after a drain makes an eventfd readable; the owning thread polls getFd()
// in its loop (or simply calls drain() from an idle callback) and drain() delivers what is queued.
class PosixAsyncEventQueue final : public AsyncEventQueue {
public:
    static constexpr std::size_t kDefaultCapacity = 1024;

    // Binds the queue to the creating thread.
    explicit PosixAsyncEventQueue(std::size_t capacity = kDefaultCapacity);
    ~PosixAsyncEventQueue() override;

    bool post(int code, std::intptr_t data) override;
    void bindToCurrentThread() override;
    bool isOwnerThread() const override;

    // Owning thread: delivers the queued pairs in posting order (per posting thread) and returns how
    // many. One call delivers at most the capacity, so producers that keep posting cannot hold the
    // loop; the fd stays readable while more is waiting. Called on another thread, it delivers
    // nothing and returns 0.
    std::size_t drain();

    // Readable while pairs wait for drain(); -1 when the system refused to create one (posting and
    // draining still work, the loop then has to drain on its own schedule).
    int getFd() const { return fd_; }
    std::size_t getCapacity() const { return queue_.capacity(); }
    // Pairs dropped since construction (ring full, or the post attempts ran out).
    std::uint64_t getDroppedCount() const { return dropped_.load(std::memory_order_relaxed); }

private:
    struct Event {
        int code;
        std::intptr_t data;
    };

    void signal();

    static constexpr std::size_t kMaxPostAttempts = 64;

    MpscQueue<Event> queue_;
    int fd_ = -1;
    // Set by the first post after a drain; only that post writes to the eventfd.
    std::atomic<bool> signalled_{false};
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::thread::id> owner_;
};
