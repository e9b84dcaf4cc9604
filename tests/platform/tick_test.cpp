#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/stopwatch.h"

TEST(Tick, ElapsedTimeIsRightAcrossTheWrap) {
    EXPECT_EQ(platform::ticksBetween(0xFFFFFFF0u, 0x10u), 0x20u);
    EXPECT_EQ(platform::ticksBetween(0xFFFFFFFFu, 0u), 1u);
    EXPECT_EQ(platform::ticksBetween(100u, 100u), 0u);
    // A wait loop "while elapsed < limit" started just before the wrap still ends.
    std::uint32_t now = 0xFFFFFF00u;
    const std::uint32_t start = now;
    int steps = 0;
    while (platform::ticksBetween(start, now) < 1000u) {
        now += 100u;
        ++steps;
    }
    EXPECT_EQ(steps, 10);
}

TEST(Tick, SleepLastsAtLeastItsTimeAndTheTickFollowsIt) {
    const auto before = std::chrono::steady_clock::now();
    const std::uint32_t start = platform::tickCount();
    platform::sleepMs(50);
    const auto slept = std::chrono::steady_clock::now() - before;
    EXPECT_GE(slept, std::chrono::milliseconds(50));
    EXPECT_GE(platform::elapsedSince(start), 49u);  // tick granularity is one millisecond
    EXPECT_LT(platform::elapsedSince(start), 5000u);
}

TEST(Stopwatch, MeasuresAcrossTheWrapAndFreezesWhenStopped) {
    platform::Stopwatch watch;
    EXPECT_EQ(watch.elapsedAt(12345u), 0u);  // not started
    watch.startAt(0xFFFFFFF0u);
    EXPECT_TRUE(watch.running());
    EXPECT_EQ(watch.elapsedAt(0x0000000Fu), 0x1Fu);
    watch.stopAt(0x20u);
    EXPECT_EQ(watch.elapsedAt(0x5000u), 0x30u);
    watch.reset();
    EXPECT_EQ(watch.elapsedAt(0x5000u), 0u);
    watch.startAt(0u);  // a real start at tick 0 still counts as started
    EXPECT_EQ(watch.elapsedAt(101u), 100u);
}
