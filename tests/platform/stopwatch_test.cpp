#include "platform/stopwatch.h"

#include <gtest/gtest.h>

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
