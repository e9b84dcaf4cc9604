#include "common/leading_int.h"

#include <gtest/gtest.h>

TEST(LeadingInt, ReadsTheLeadingNumberAsPercentDDoes) {
    EXPECT_EQ(SimpleUtils::leadingInt("42"), 42);
    EXPECT_EQ(SimpleUtils::leadingInt(" \t-17abc"), -17);
    EXPECT_EQ(SimpleUtils::leadingInt("+8"), 8);
    EXPECT_EQ(SimpleUtils::leadingInt("007"), 7);
    EXPECT_EQ(SimpleUtils::leadingInt(""), std::nullopt);
    EXPECT_EQ(SimpleUtils::leadingInt("   "), std::nullopt);
    EXPECT_EQ(SimpleUtils::leadingInt("-"), std::nullopt);
    EXPECT_EQ(SimpleUtils::leadingInt("- 5"), std::nullopt);
    EXPECT_EQ(SimpleUtils::leadingInt("x5"), std::nullopt);
    // Numbers beyond 32 bits stop at the limits.
    EXPECT_EQ(SimpleUtils::leadingInt("2147483647"), 2147483647);
    EXPECT_EQ(SimpleUtils::leadingInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(SimpleUtils::leadingInt("2147483648"), 2147483647);
    EXPECT_EQ(SimpleUtils::leadingInt("-99999999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(SimpleUtils::leadingInt("4294967297"), 2147483647) << "never wrapped";
}
