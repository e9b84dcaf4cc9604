#include "modem/baudrate_param.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

TEST(BaudrateParamText, ReadsLenientlyAndAppends) {
    const std::vector<std::pair<std::string, BaudrateParams>> cases{
        {"115200-1000 9600", {{115200, 1000}, {9600, 1000}}},
        {"abc 4800-500", {{4800, 500}}},
        {"300-50 300-50", {{300, 50}, {300, 50}}},
        {"  1200-x  2400--7 4800-20-30 -5 9600-15ms",
         {{1200, 1000}, {2400, 1000}, {4800, 20}, {9600, 15}}},
        {"2400-50 300-0", {{2400, 50}, {300, 0}}},
        {"", {}},
        {"     ", {}},
    };
    for (const auto& [text, expected] : cases) {
        BaudrateParams list{{300, 1}};
        baud_list_from_text(text, list);
        BaudrateParams want{{300, 1}};
        want.insert(want.end(), expected.begin(), expected.end());
        EXPECT_EQ(list, want) << text;
    }
}
