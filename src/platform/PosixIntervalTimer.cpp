#include "platform/PosixIntervalTimer.h"

#include <time.h>

PosixIntervalTimer::PosixIntervalTimer(Clock clock) : clock_(clock ? clock : &monotonicNanoseconds), start_(clock_()) {}

void PosixIntervalTimer::restart() { start_ = clock_(); }

std::int64_t PosixIntervalTimer::elapsedMs() const {
    const std::int64_t elapsed = clock_() - start_;
    return elapsed > 0 ? elapsed / 1000000 : 0;
}

std::int64_t PosixIntervalTimer::monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
