#pragma once
#include "gui/TimerQueue.h"

namespace gui {

// A timer owned by a component: started and stopped through its queue, stopped when destroyed.
class Timer {
public:
    explicit Timer(TimerQueue* queue = nullptr) : queue_(queue) {}
    ~Timer() { stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setQueue(TimerQueue* queue) {
        stop();
        queue_ = queue;
    }
    // Replaces any running schedule. Does nothing without a queue.
    void startRepeating(int intervalMs, TimerQueue::Callback callback) { start(intervalMs, true, std::move(callback)); }
    void startOnce(int delayMs, TimerQueue::Callback callback) { start(delayMs, false, std::move(callback)); }
    void stop() {
        if (queue_ && handle_) queue_->remove(handle_);
        handle_ = 0;
    }
    bool isRunning() const { return queue_ && handle_ && queue_->contains(handle_); }

private:
    void start(int ms, bool repeat, TimerQueue::Callback callback) {
        stop();
        if (queue_) handle_ = queue_->add(ms, repeat, std::move(callback));
    }

    TimerQueue* queue_;
    int handle_ = 0;
};

}  // namespace gui
