#include "net/byte_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// Past its limit the receiver waits until the reader makes room (an empty queue takes any
// piece); pieces come out in order at the reader's size, and the end shows once all is
// taken. A cancel releases a waiting receiver and refuses more; what was queued stays.
TEST(ByteQueue, HoldsItsLimitWakesTheReceiverAndEndsOrCancels)
{
    zepril::ByteQueue queue(8), full(2);
    ASSERT_TRUE(queue.push("abcdef", 6) && full.push("over the limit", 14));
    std::atomic<int> pushed {-1}, afterCancel {-1};
    std::thread receiver([&] {
        pushed = queue.push("ghij", 4);
        queue.finish();
    });
    std::thread refused([&] { afterCancel = full.push("x", 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pushed + afterCancel, -2) << "both must wait for room";
    EXPECT_EQ(queue.take(4), "abcd");
    full.cancel();
    receiver.join();
    refused.join();
    EXPECT_EQ(std::pair(pushed.load(), afterCancel.load()), std::pair(1, 0));
    EXPECT_EQ(full.take(100), "over the limit");
    EXPECT_FALSE(queue.atEnd());
    EXPECT_EQ(queue.take(100), "ef");
    EXPECT_EQ(queue.take(100), "ghij");
    EXPECT_TRUE(queue.atEnd());
}
