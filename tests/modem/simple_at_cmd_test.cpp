#include "modem/simple_at_cmd.h"

#include <gtest/gtest.h>

#include <string>

#include "common/msg_strings.h"
#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::commandBytes;
using modem_test::feed;

// The message commands' lines (a number or a text as the value) are checked where those
// commands are tested.
TEST(SimpleAtCmdLine, ExtendedOrPlainForm) {
    EXPECT_EQ(commandBytes(SimpleAtCmd{"CSQ", "", 0, true, 1000}), "AT+CSQ\r\n");
    EXPECT_EQ(commandBytes(SimpleAtCmd{"CMGD", -1, 0, true, 1000}), "AT+CMGD=-1\r\n");
    EXPECT_EQ(commandBytes(SimpleAtCmd{"CMGD", 0, 0, true, 1000}), "AT+CMGD=0\r\n");
    // The plain form sends the name alone.
    EXPECT_EQ(commandBytes(SimpleAtCmd{"AT&F", "5", 0, false, 1000}), "AT&F\r\n");
    EXPECT_EQ(commandBytes(SimpleAtCmd{"ATI", "", 0, false, 1000}), "ATI\r\n");

    // An empty name sends nothing but still waits for a result.
    SimpleAtCmd listen{"", "ignored", 0, true, 300};
    EXPECT_EQ(listen.command_size(), 0u);
    EXPECT_FALSE(listen.is_complete());
    feed(listen, {"\r\nOK\r\n"});
    EXPECT_TRUE(listen.result());
}

TEST(SimpleAtCmdParse, TheCommandsOwnInformationLineUpToTheTerminatorGivesTheValues) {
    const SimpleAtCmd cmgr{"CMGR", 1, 3, true, 1000};
    Msg::Strings values;
    ASSERT_TRUE(cmgr.parse_answer(
        "\r\n+CMGR: 0,,23\r\n07919730071111F1040B919701119905F80000211062\r\n\r\nOK\r\n", "OK",
        values));
    EXPECT_EQ(values, (Msg::Strings{"0", "", "23  07919730071111F1040B919701119905F80000211062"}));
    ASSERT_TRUE(cmgr.parse_answer(" \r\n+CMGR:1,2\r\nERROR\r\n", "ERROR", values));
    EXPECT_EQ(values, (Msg::Strings{"1", "2"})) << "values are replaced, not appended";
    ASSERT_TRUE(cmgr.parse_answer("+CMGR: 0,,23\r\n", "OK", values));
    EXPECT_EQ(values, (Msg::Strings{""})) << "no terminator: one empty value";

    for (const char* other :
         {"\r\nOK\r\n", "AT+CMGR=1\r\r\n+CMGR: 0,,23\r\nOK\r\n", "\r\n+CMGL: 0,,23\r\nOK\r\n",
          "\r\n+CMGR 0,,23\r\nOK\r\n", "\r\n \r\n", ""}) {
        values = {"stale"};
        EXPECT_FALSE(cmgr.parse_answer(other, "OK", values)) << other;
        EXPECT_TRUE(values.empty()) << other;
    }
}

}  // namespace
