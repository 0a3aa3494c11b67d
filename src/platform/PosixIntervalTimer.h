#pragma once
#include <cstdint>

#include "platform/IntervalTimer.h"

// A stopwatch on the monotonic clock, so wall-clock changes (time zone, NTP steps, the user
// setting the date) never make an interval jump or run backwards.
class PosixIntervalTimer final : public IntervalTimer {
public:
    // A clock reading in nanoseconds; the default reads CLOCK_MONOTONIC.
    using Clock = std::int64_t (*)();

    explicit PosixIntervalTimer(Clock clock = &monotonicNanoseconds);

    void restart() override;
    std::int64_t elapsedMs() const override;

    static std::int64_t monotonicNanoseconds();

private:
    Clock clock_;
    std::int64_t start_;
};
