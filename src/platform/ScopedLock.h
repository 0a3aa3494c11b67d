#pragma once
#include "platform/CriticalSection.h"
#include "platform/LockedObject.h"

// Holds a critical section for the lifetime of the guard, so every exit path unlocks it.
class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& section) : section_(section) { section_.lock(); }
    explicit ScopedLock(const LockedObject& object) : ScopedLock(object.getCriticalSection()) {}
    ~ScopedLock() { section_.unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& section_;
};
