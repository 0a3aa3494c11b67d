#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "platform/PosixAsyncEventQueue.h"

namespace {

using Delivery = std::pair<int, std::intptr_t>;

// Records what it receives under a name, so the call order across listeners is visible.
class RecordingListener : public AsyncEventQueue::Listener {
public:
    RecordingListener(std::vector<std::pair<char, Delivery>>& log, char name) : log_(log), name_(name) {}
    void asyncEventReceived(AsyncEventQueue&, int code, std::intptr_t data) override { log_.push_back({name_, {code, data}}); }

private:
    std::vector<std::pair<char, Delivery>>& log_;
    char name_;
};

// Bound to the queue's NotifyEvent: checks that code and data are stored before the event fires.
class EventObserver {
public:
    explicit EventObserver(std::vector<std::pair<char, Delivery>>& log) : log_(log) {}
    void onEvent(void* sender) {
        auto* queue = static_cast<AsyncEventQueue*>(sender);
        log_.push_back({'E', {queue->getCode(), queue->getData()}});
    }

private:
    std::vector<std::pair<char, Delivery>>& log_;
};

bool fdReadable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN);
}

TEST(PosixAsyncEventQueue, DeliversInPostingOrderEventFirstThenListenersLastToFirst) {
    PosixAsyncEventQueue queue(16);
    std::vector<std::pair<char, Delivery>> log;
    EventObserver observer(log);
    RecordingListener a(log, 'a'), b(log, 'b'), c(log, 'c');
    queue.getNotifyEvent().bind(&observer, &EventObserver::onEvent);
    queue.addListener(&a);
    queue.addListener(&b);
    queue.addListener(&c);
    queue.addListener(&b);  // a second registration is ignored

    ASSERT_TRUE(queue.post(-1025, 7));
    ASSERT_TRUE(queue.post(-1027, -3));
    EXPECT_TRUE(log.empty()) << "posting never delivers synchronously";
    EXPECT_EQ(queue.drain(), 2u);

    const std::vector<std::pair<char, Delivery>> expected = {
        {'E', {-1025, 7}}, {'c', {-1025, 7}}, {'b', {-1025, 7}}, {'a', {-1025, 7}},
        {'E', {-1027, -3}}, {'c', {-1027, -3}}, {'b', {-1027, -3}}, {'a', {-1027, -3}},
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(queue.getCode(), -1027);
    EXPECT_EQ(queue.getData(), -3);
    EXPECT_EQ(queue.drain(), 0u);
}

// A listener that removes itself and another listener that has not been called yet.
class RemovingListener : public AsyncEventQueue::Listener {
public:
    AsyncEventQueue::Listener* alsoRemove = nullptr;
    AsyncEventQueue::Listener* add = nullptr;
    int calls = 0;
    void asyncEventReceived(AsyncEventQueue& queue, int, std::intptr_t) override {
        ++calls;
        queue.removeListener(this);
        if (alsoRemove) queue.removeListener(alsoRemove);
        if (add) queue.addListener(add);
    }
};

TEST(PosixAsyncEventQueue, ListenersMayRemoveAndAddListenersDuringDelivery) {
    PosixAsyncEventQueue queue(8);
    std::vector<std::pair<char, Delivery>> log;
    RecordingListener first(log, 'f'), late(log, 'l');
    RemovingListener remover;
    remover.alsoRemove = &first;
    remover.add = &late;
    queue.addListener(&first);
    queue.addListener(&remover);  // called before `first`, removes it before its turn

    queue.post(1, 0);
    queue.post(2, 0);
    queue.drain();

    EXPECT_EQ(remover.calls, 1);
    const std::vector<std::pair<char, Delivery>> expected = {{'l', {2, 0}}};
    EXPECT_EQ(log, expected) << "a removed listener is not called; an added one waits for the next pair";
    EXPECT_EQ(queue.getListenerCount(), 1u);
}

TEST(PosixAsyncEventQueue, PostFromAnotherThreadWakesTheFdAndDeliversOnTheOwner) {
    PosixAsyncEventQueue queue(8);
    ASSERT_GE(queue.getFd(), 0);
    EXPECT_FALSE(fdReadable(queue.getFd(), 0));

    std::vector<std::pair<char, Delivery>> log;
    RecordingListener listener(log, 'x');
    queue.addListener(&listener);
    std::thread poster([&] {
        queue.post(5, 50);
        queue.post(6, 60);
    });
    poster.join();

    EXPECT_TRUE(fdReadable(queue.getFd(), 1000));
    EXPECT_EQ(queue.drain(), 2u);
    EXPECT_FALSE(fdReadable(queue.getFd(), 0)) << "a drained queue must not keep waking the loop";
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].second, Delivery(5, 50));
    EXPECT_EQ(log[1].second, Delivery(6, 60));

    queue.post(7, 70);
    EXPECT_TRUE(fdReadable(queue.getFd(), 0)) << "the first post after a drain signals again";
}

TEST(PosixAsyncEventQueue, DeliversOnlyOnTheBoundThreadAndFollowsARebind) {
    PosixAsyncEventQueue queue(8);
    int delivered = 0;
    std::vector<std::pair<char, Delivery>> log;
    RecordingListener listener(log, 'x');
    queue.addListener(&listener);
    queue.post(1, 1);

    std::thread other([&] { delivered = static_cast<int>(queue.drain()); });
    other.join();
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(log.empty());

    std::thread rebinder([&] {
        queue.bindToCurrentThread();
        delivered = static_cast<int>(queue.drain());
    });
    rebinder.join();
    EXPECT_EQ(delivered, 1);
    EXPECT_FALSE(queue.isOwnerThread());
    EXPECT_EQ(queue.drain(), 0u);
}

TEST(PosixAsyncEventQueue, FullQueueDropsTheNewestAndCountsIt) {
    PosixAsyncEventQueue queue(4);
    std::vector<std::pair<char, Delivery>> log;
    RecordingListener listener(log, 'x');
    queue.addListener(&listener);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(queue.post(i, 0));
    EXPECT_FALSE(queue.post(100, 0));
    EXPECT_FALSE(queue.post(101, 0));
    EXPECT_EQ(queue.getDroppedCount(), 2u);

    EXPECT_EQ(queue.drain(), 4u);
    ASSERT_EQ(log.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(log[i].second.first, i);
    EXPECT_TRUE(queue.post(8, 0)) << "space is available again after a drain";
}

// A listener that posts again while being called must not keep drain() busy forever, and what it
// posts must not be lost.
class ReposterListener : public AsyncEventQueue::Listener {
public:
    int calls = 0;
    void asyncEventReceived(AsyncEventQueue& queue, int code, std::intptr_t) override {
        ++calls;
        if (code < 20) queue.post(code + 1, 0);
    }
};

TEST(PosixAsyncEventQueue, DrainIsBoundedWhenListenersKeepPosting) {
    PosixAsyncEventQueue queue(4);
    ReposterListener listener;
    queue.addListener(&listener);
    queue.post(0, 0);
    std::size_t total = 0;
    int drains = 0;
    while (fdReadable(queue.getFd(), 0) && drains < 100) {
        const std::size_t n = queue.drain();
        EXPECT_LE(n, queue.getCapacity());
        total += n;
        ++drains;
    }
    EXPECT_EQ(total, 21u);
    EXPECT_EQ(listener.calls, 21);
    EXPECT_GT(drains, 1);
}

// Several threads post concurrently (one of them standing in for the audio thread); the owner
// drains from a poll loop. Everything posted successfully arrives, in order per thread.
TEST(PosixAsyncEventQueue, ConcurrentPostersAreAllDeliveredInOrderPerThread) {
    constexpr int kThreads = 3;
    constexpr int kPerThread = 20000;
    PosixAsyncEventQueue queue(256);

    class Checker : public AsyncEventQueue::Listener {
    public:
        std::vector<std::intptr_t> next = std::vector<std::intptr_t>(kThreads, 0);
        bool ordered = true;
        int received = 0;
        void asyncEventReceived(AsyncEventQueue&, int code, std::intptr_t data) override {
            ordered = ordered && code >= 0 && code < kThreads && data >= next[code];
            if (code >= 0 && code < kThreads) next[code] = data + 1;
            ++received;
        }
    } checker;
    queue.addListener(&checker);

    std::atomic<int> accepted{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                if (queue.post(t, i)) accepted.fetch_add(1);
                else std::this_thread::yield();
            }
        });
    }
    std::atomic<bool> postersDone{false};
    std::thread joiner([&] {
        for (auto& poster : posters) poster.join();
        postersDone = true;
    });
    // A lost wake-up shows as a stall: give up after two seconds without a signal once posting ended.
    int idlePolls = 0;
    while ((!postersDone || checker.received < accepted) && idlePolls < 200) {
        if (fdReadable(queue.getFd(), 10)) {
            queue.drain();
            idlePolls = 0;
        } else if (postersDone) {
            ++idlePolls;
        }
    }
    joiner.join();
    queue.drain();
    EXPECT_TRUE(checker.ordered);
    EXPECT_EQ(checker.received, accepted.load());
    EXPECT_EQ(static_cast<std::uint64_t>(accepted.load()) + queue.getDroppedCount(), static_cast<std::uint64_t>(kThreads * kPerThread));
}

}  // namespace
