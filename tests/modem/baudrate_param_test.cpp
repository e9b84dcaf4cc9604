#include "modem/baudrate_param.h"

#include <gtest/gtest.h>

#include <string>

TEST(BaudrateParamText, WritesRateDashWaitSeparatedBySingleSpaces) {
    const BaudrateParams defaults{115200, 9600, 57600, 38400, 19200, 4800, 2400, 1200, 300};
    std::string text = "stale";
    baud_list_to_text(defaults, text);
    EXPECT_EQ(text,
              "115200-1000 9600-1000 57600-1000 38400-1000 19200-1000 4800-1000 2400-1000 "
              "1200-1000 300-1000");

    baud_list_to_text({}, text);
    EXPECT_EQ(text, "");

    BaudrateParams back;
    baud_list_to_text({{2400, 50}, {300, 0}}, text);
    baud_list_from_text(text, back);
    EXPECT_EQ(back, (BaudrateParams{{2400, 50}, {300, 0}}));
}

TEST(BaudrateParamText, ReadsLeniently) {
    BaudrateParams list;
    baud_list_from_text("115200-1000 9600", list);
    EXPECT_EQ(list, (BaudrateParams{{115200, 1000}, {9600, 1000}}));

    list.clear();
    baud_list_from_text("abc 4800-500", list);
    EXPECT_EQ(list, (BaudrateParams{{4800, 500}}));

    list.clear();
    baud_list_from_text("300-50 300-50", list);
    EXPECT_EQ(list, (BaudrateParams{{300, 50}, {300, 50}})) << "duplicates stay";

    list.clear();
    baud_list_from_text("  1200-x  2400--7 4800-20-30 -5 9600-15ms", list);
    EXPECT_EQ(list, (BaudrateParams{{1200, 1000}, {2400, 1000}, {4800, 20}, {9600, 15}}));

    list.clear();
    baud_list_from_text("", list);
    baud_list_from_text("     ", list);
    EXPECT_TRUE(list.empty());

    // Entries are appended to what the list holds.
    list = {{300, 1}};
    baud_list_from_text("600", list);
    EXPECT_EQ(list, (BaudrateParams{{300, 1}, {600, 1000}}));
}
