#pragma once

// A lock that the same thread may enter again while it holds it; every lock() needs a matching
// unlock() on the same thread. Never used on the audio thread.
class CriticalSection {
public:
    virtual ~CriticalSection() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Enters without waiting when that is possible; true when the lock is now held.
    virtual bool tryLock() = 0;
};
