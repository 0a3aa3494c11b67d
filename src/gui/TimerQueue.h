#pragma once
#include <cstdint>
#include <functional>
#include <vector>

namespace gui {

// Interval timers and one-shot delays run by the user-interface loop. The loop asks how long it
// may sleep, then calls runDue. Callbacks may add and remove timers, their own included.
class TimerQueue {
public:
    using Callback = std::function<void()>;
    // Milliseconds on a monotonic clock; the default reads the system's.
    using Clock = std::function<std::int64_t()>;

    explicit TimerQueue(Clock clock = {});

    // Calls `callback` every `intervalMs` (repeat) or once after it; returns a handle (never 0).
    int add(int intervalMs, bool repeat, Callback callback);
    void remove(int handle);
    bool contains(int handle) const;

    // Milliseconds until the earliest timer is due (0 if overdue), -1 when there is none.
    int msUntilNext() const;
    // Runs every timer that is due; a repeating timer that fell behind runs once and is rescheduled
    // from now, so a stalled loop does not cause a burst.
    void runDue();
    std::int64_t now() const { return clock_(); }
    std::size_t size() const { return timers_.size(); }

private:
    struct Entry {
        int handle;
        int interval;
        bool repeat;
        std::int64_t due;
        Callback callback;
    };

    Clock clock_;
    std::vector<Entry> timers_;
    int nextHandle_ = 1;
};

}  // namespace gui
