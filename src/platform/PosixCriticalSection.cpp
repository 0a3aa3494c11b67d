#include "platform/PosixCriticalSection.h"

void PosixCriticalSection::lock() { mutex_.lock(); }

void PosixCriticalSection::unlock() { mutex_.unlock(); }

bool PosixCriticalSection::tryLock() { return mutex_.try_lock(); }
