#include "platform/PosixAsyncEventQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

PosixAsyncEventQueue::PosixAsyncEventQueue(std::size_t capacity)
    : queue_(capacity), fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), owner_(std::this_thread::get_id()) {}

PosixAsyncEventQueue::~PosixAsyncEventQueue() {
    if (fd_ >= 0) close(fd_);
}

bool PosixAsyncEventQueue::post(int code, std::intptr_t data) {
    if (!queue_.tryPush(Event{code, data}, kMaxPostAttempts)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    signal();
    return true;
}

void PosixAsyncEventQueue::signal() {
    // acq_rel pairs with the exchange in drain(): a pair published before this point is seen by a
    // drain that clears the flag after it, and a drain that cleared it before is followed by a write.
    if (!signalled_.exchange(true, std::memory_order_acq_rel) && fd_ >= 0) {
        const std::uint64_t one = 1;
        // Cannot block (non-blocking fd) and cannot overflow (at most one write per drain).
        [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
    }
}

void PosixAsyncEventQueue::bindToCurrentThread() { owner_.store(std::this_thread::get_id(), std::memory_order_release); }

bool PosixAsyncEventQueue::isOwnerThread() const {
    return owner_.load(std::memory_order_acquire) == std::this_thread::get_id();
}

std::size_t PosixAsyncEventQueue::drain() {
    if (!isOwnerThread()) return 0;
    if (fd_ >= 0) {
        std::uint64_t counter = 0;
        [[maybe_unused]] const ssize_t got = read(fd_, &counter, sizeof counter);
    }
    signalled_.exchange(false, std::memory_order_acq_rel);

    const std::size_t limit = queue_.capacity();
    std::size_t delivered = 0;
    Event event{};
    while (delivered < limit && queue_.pop(event)) {
        deliver(event.code, event.data);
        ++delivered;
    }
    // Stopped at the limit: more may be waiting, so keep the loop awake.
    if (delivered == limit) signal();
    return delivered;
}
