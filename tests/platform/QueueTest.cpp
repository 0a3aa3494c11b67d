#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/MpscQueue.h"
#include "platform/SpscQueue.h"

namespace {

// Both queues share the single-threaded contract: FIFO, exact fullness, rejection leaves the
// queue intact, and wrap-around over many laps keeps the order.
template <class Queue>
class BoundedQueueContract : public ::testing::Test {};

using QueueTypes = ::testing::Types<SpscQueue<int>, MpscQueue<int>>;
TYPED_TEST_SUITE(BoundedQueueContract, QueueTypes);

TYPED_TEST(BoundedQueueContract, KeepsOrderAndRejectsWhenFullOrEmpty) {
    TypeParam queue(4);
    ASSERT_EQ(queue.capacity(), 4u);
    int value = -1;
    EXPECT_FALSE(queue.pop(value));
    EXPECT_EQ(value, -1) << "a failed pop must not touch the output";

    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(queue.push(i));
    EXPECT_FALSE(queue.push(99)) << "the newest value is rejected when full";
    EXPECT_EQ(queue.size(), 4u);

    for (int i = 1; i <= 4; ++i) {
        ASSERT_TRUE(queue.pop(value));
        EXPECT_EQ(value, i);
    }
    EXPECT_FALSE(queue.pop(value));
    EXPECT_TRUE(queue.empty());
}

TYPED_TEST(BoundedQueueContract, CapacityRoundsUpToPowerOfTwo) {
    EXPECT_EQ(TypeParam(0).capacity(), 2u);
    EXPECT_EQ(TypeParam(5).capacity(), 8u);
    EXPECT_EQ(TypeParam(64).capacity(), 64u);
}

TYPED_TEST(BoundedQueueContract, WrapsAroundManyLapsWithoutLosingOrder) {
    TypeParam queue(8);
    int next = 0;
    int expected = 0;
    int value = 0;
    // Uneven push/pop counts move the indices through every slot offset.
    for (int round = 0; round < 500; ++round) {
        for (int k = 0; k < 1 + round % 7; ++k) ASSERT_TRUE(queue.push(next++));
        for (int k = 0; k < 1 + round % 7; ++k) {
            ASSERT_TRUE(queue.pop(value));
            ASSERT_EQ(value, expected++);
        }
    }
    EXPECT_TRUE(queue.empty());
}

TEST(SpscQueue, MovesValuesThatOwnMemory) {
    SpscQueue<std::string> queue(2);
    ASSERT_TRUE(queue.push(std::string(100, 'x')));
    std::string out;
    ASSERT_TRUE(queue.pop(out));
    EXPECT_EQ(out, std::string(100, 'x'));
}

TEST(SpscQueue, ClearDiscardsQueuedValues) {
    SpscQueue<int> queue(4);
    queue.push(1);
    queue.push(2);
    queue.clear();
    int value = 0;
    EXPECT_FALSE(queue.pop(value));
    EXPECT_TRUE(queue.push(3));
    ASSERT_TRUE(queue.pop(value));
    EXPECT_EQ(value, 3);
}

TEST(MpscQueue, TryPushGivesUpOnlyWhenFullWithoutContention) {
    MpscQueue<int> queue(2);
    EXPECT_TRUE(queue.tryPush(1, 1));
    EXPECT_TRUE(queue.tryPush(2, 1));
    EXPECT_FALSE(queue.tryPush(3, 1000));
}

// A consumer that checks every value arrives once and in order, while the producer keeps
// hitting a full queue and retrying.
TEST(SpscQueue, TwoThreadStressDeliversEveryValueInOrder) {
    constexpr std::uint32_t kCount = 200000;
    SpscQueue<std::uint32_t> queue(64);
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kCount;) {
            if (queue.push(i)) ++i;
            else std::this_thread::yield();
        }
    });
    std::uint32_t expected = 0;
    std::uint32_t value = 0;
    bool inOrder = true;
    while (expected < kCount) {
        if (queue.pop(value)) {
            inOrder = inOrder && value == expected;
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_FALSE(queue.pop(value));
}

// Several producers tag their values; each producer's sequence must arrive complete and in its own
// order, and a two-word payload must never be torn.
TEST(MpscQueue, ManyProducerStressKeepsPerProducerOrderAndPayloads) {
    struct Item {
        std::uint32_t producer = 0;
        std::uint32_t sequence = 0;
        std::uint64_t check = 0;
    };
    constexpr std::uint32_t kProducers = 3;
    constexpr std::uint32_t kPerProducer = 50000;
    MpscQueue<Item> queue(32);
    std::vector<std::thread> producers;
    for (std::uint32_t p = 0; p < kProducers; ++p) {
        producers.emplace_back([&queue, p] {
            for (std::uint32_t i = 0; i < kPerProducer;) {
                const Item item{p, i, (static_cast<std::uint64_t>(p) << 32) ^ (i * 2654435761u)};
                if (queue.push(item)) ++i;
                else std::this_thread::yield();
            }
        });
    }
    std::vector<std::uint32_t> next(kProducers, 0);
    std::uint32_t received = 0;
    bool ordered = true;
    bool intact = true;
    Item item;
    while (received < kProducers * kPerProducer) {
        if (!queue.pop(item)) {
            std::this_thread::yield();
            continue;
        }
        ++received;
        ASSERT_LT(item.producer, kProducers);
        intact = intact && item.check == ((static_cast<std::uint64_t>(item.producer) << 32) ^ (item.sequence * 2654435761u));
        ordered = ordered && item.sequence == next[item.producer];
        next[item.producer] = item.sequence + 1;
    }
    for (auto& thread : producers) thread.join();
    EXPECT_TRUE(ordered);
    EXPECT_TRUE(intact);
    for (std::uint32_t p = 0; p < kProducers; ++p) EXPECT_EQ(next[p], kPerProducer);
    EXPECT_FALSE(queue.pop(item));
}

}  // namespace
