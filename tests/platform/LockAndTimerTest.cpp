#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/LockedObject.h"
#include "platform/PosixCriticalSection.h"
#include "platform/PosixIntervalTimer.h"
#include "platform/ScopedLock.h"

namespace {

TEST(PosixCriticalSection, OwnerReentersAndOtherThreadsWait) {
    PosixCriticalSection section;
    section.lock();
    EXPECT_TRUE(section.tryLock()) << "the holder re-enters its own lock";
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = section.tryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    section.unlock();
    std::thread([&] { otherGotIt = section.tryLock(); }).join();
    EXPECT_FALSE(otherGotIt) << "still held once after one of two unlocks";
    section.unlock();
    std::thread([&] {
        otherGotIt = section.tryLock();
        if (otherGotIt) section.unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST(ScopedLock, SerialisesIncrementsAcrossThreads) {
    LockedObject object;
    long counter = 0;  // plain on purpose: only the lock keeps it consistent
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            ScopedLock guard(object);
            ScopedLock nested(object.getCriticalSection());
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_TRUE(object.tryLock()) << "every guard unlocked on leaving its scope";
    object.unlock();
}

TEST(LockedObject, NullSectionFallsBackToAWorkingLock) {
    LockedObject object(std::unique_ptr<CriticalSection>{});
    object.lock();
    object.unlock();
    EXPECT_TRUE(object.tryLock());
    object.unlock();
}

std::int64_t fakeNow = 0;
std::int64_t fakeClock() { return fakeNow; }

TEST(PosixIntervalTimer, CountsWholeMillisecondsFromTheLastRestart) {
    fakeNow = 5'000'000'000;
    PosixIntervalTimer timer(&fakeClock);
    EXPECT_EQ(timer.elapsedMs(), 0);
    fakeNow += 1'999'999;
    EXPECT_EQ(timer.elapsedMs(), 1);
    fakeNow += 2'500'000'000;
    EXPECT_EQ(timer.elapsedMs(), 2501);
    timer.restart();
    EXPECT_EQ(timer.elapsedMs(), 0);
    fakeNow += 20'000'000;
    EXPECT_EQ(timer.elapsedMs(), 20);
    fakeNow -= 100'000'000;
    EXPECT_EQ(timer.elapsedMs(), 0) << "never negative";
}

TEST(PosixIntervalTimer, RealClockAdvancesAtLeastTheSleptTime) {
    PosixIntervalTimer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    EXPECT_GE(timer.elapsedMs(), 15);
}

}  // namespace
