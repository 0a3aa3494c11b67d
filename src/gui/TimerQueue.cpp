#include "gui/TimerQueue.h"

#include <algorithm>

#include "platform/PosixIntervalTimer.h"

namespace gui {

TimerQueue::TimerQueue(Clock clock) : clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return PosixIntervalTimer::monotonicNanoseconds() / 1000000; };
}

int TimerQueue::add(int intervalMs, bool repeat, Callback callback) {
    const int handle = nextHandle_++;
    if (nextHandle_ <= 0) nextHandle_ = 1;
    const int interval = std::max(0, intervalMs);
    // A repeating timer of 0 ms would spin the loop.
    timers_.push_back({handle, repeat ? std::max(1, interval) : interval, repeat, clock_() + interval, std::move(callback)});
    return handle;
}

void TimerQueue::remove(int handle) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Entry& e) { return e.handle == handle; }),
                  timers_.end());
}

bool TimerQueue::contains(int handle) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Entry& e) { return e.handle == handle; });
}

int TimerQueue::msUntilNext() const {
    if (timers_.empty()) return -1;
    std::int64_t earliest = timers_.front().due;
    for (const Entry& e : timers_) earliest = std::min(earliest, e.due);
    const std::int64_t wait = earliest - clock_();
    return wait <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>(wait, 1 << 30));
}

void TimerQueue::runDue() {
    const std::int64_t time = clock_();
    // Collect first: callbacks change the list. Timers run in the order they fell due, those due
    // at the same moment in the order they were added.
    std::vector<std::pair<std::int64_t, int>> due;
    for (const Entry& e : timers_)
        if (e.due <= time) due.push_back({e.due, e.handle});
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : due) {
        const int handle = entry.second;
        auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Entry& e) { return e.handle == handle; });
        if (it == timers_.end()) continue;  // removed by an earlier callback
        Callback callback = it->callback;
        if (it->repeat) {
            // On time, the schedule keeps its phase; behind, it starts again from now.
            it->due = it->due + it->interval > time ? it->due + it->interval : time + it->interval;
        } else {
            timers_.erase(it);
        }
        callback();
    }
}

}  // namespace gui
