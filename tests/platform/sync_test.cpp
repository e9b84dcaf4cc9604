#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/locker.h"
#include "platform/manual_reset_event.h"

TEST(ManualResetEvent, StaysSetAndReleasesEveryWaiterUntilReset) {
    SimpleUtils::ManualResetEvent event(false, "__disconnect_event__");
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.waitFor(30));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));

    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            event.wait();
            ++released;
        });
    }
    event.set();
    for (auto& t : waiters) {
        t.join();
    }
    EXPECT_EQ(released, 3);
    EXPECT_TRUE(event.waitFor(0));  // still set
    event.reset();
    EXPECT_FALSE(event.isSet());
    EXPECT_TRUE(SimpleUtils::ManualResetEvent(true).isSet());
}

// Threads kept apart by it: the process-wide log's test (tests/tools).
TEST(Locker, IsReentrantAndExcludesOtherThreads) {
    SimpleUtils::Locker locker;
    SimpleUtils::LockGuard outer(locker);
    SimpleUtils::LockGuard inner(locker);  // the holder may enter again
    std::thread other([&] { EXPECT_FALSE(locker.try_lock()); });
    other.join();
}
