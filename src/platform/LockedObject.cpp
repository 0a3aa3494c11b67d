#include "platform/LockedObject.h"

#include "platform/PosixCriticalSection.h"

LockedObject::LockedObject() : section_(std::make_unique<PosixCriticalSection>()) {}

LockedObject::LockedObject(std::unique_ptr<CriticalSection> section) : section_(std::move(section)) {
    if (!section_) section_ = std::make_unique<PosixCriticalSection>();
}

LockedObject::~LockedObject() = default;
