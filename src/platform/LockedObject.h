#pragma once
#include <memory>

#include "platform/CriticalSection.h"

// An object guarded by a critical section of its own (re-entrant on the holding thread). Locking
// is allowed from const members: the lock guards the object, it is not part of its value.
class LockedObject {
public:
    // Uses the platform's critical section.
    LockedObject();
    // Uses the given critical section; null falls back to the platform one.
    explicit LockedObject(std::unique_ptr<CriticalSection> section);
    virtual ~LockedObject();
    LockedObject(const LockedObject&) = delete;
    LockedObject& operator=(const LockedObject&) = delete;

    void lock() const { section_->lock(); }
    void unlock() const { section_->unlock(); }
    bool tryLock() const { return section_->tryLock(); }
    CriticalSection& getCriticalSection() const { return *section_; }

private:
    std::unique_ptr<CriticalSection> section_;
};
