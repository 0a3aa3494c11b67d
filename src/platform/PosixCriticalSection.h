#pragma once
#include <mutex>

#include "platform/CriticalSection.h"

// A critical section on a recursive mutex: the user-interface thread re-enters its own lock when a
// handler running inside it calls back into locked code.
class PosixCriticalSection final : public CriticalSection {
public:
    PosixCriticalSection() = default;
    PosixCriticalSection(const PosixCriticalSection&) = delete;
    PosixCriticalSection& operator=(const PosixCriticalSection&) = delete;

    void lock() override;
    void unlock() override;
    bool tryLock() override;

private:
    std::recursive_mutex mutex_;
};
