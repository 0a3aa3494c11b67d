#pragma once
#include <cstdint>

// A millisecond stopwatch. It starts running when it is created.
class IntervalTimer {
public:
    virtual ~IntervalTimer() = default;
    // Starts measuring again from now.
    virtual void restart() = 0;
    // Whole milliseconds since creation or the last restart; never negative.
    virtual std::int64_t elapsedMs() const = 0;
};
