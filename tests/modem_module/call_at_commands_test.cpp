#include "modem/modem_module/impl/call_at_commands.h"

#include <gtest/gtest.h>

#include "tests/modem/at_cmd_probe.h"

using modem_test::commandBytes;
using modem_test::feed;

// How each word ends a dial, and an answered data call's CONNECT, are played through orvane-at
// against the simulated modem; here the CONNECT line's parts.
TEST(CallAtCommands, ConnectGivesTheLinesRestAndKeepsTheFarEndsBytesApart) {
    DialAtCommand connected("5", true);
    EXPECT_EQ(commandBytes(connected), "ATD5\r\n");
    feed(connected, {"ATD5\r\r\nCONNECT 9600/ARQ \r\nhello\r\nNO CARRIER\r\n"});
    EXPECT_TRUE(connected.is_complete() && connected.result());
    EXPECT_EQ(connected.connect_detail(), "9600/ARQ");
    EXPECT_EQ(connected.rest(), "hello\r\nNO CARRIER\r\n");
    EXPECT_EQ(connected.full_answer(), "ATD5\r\r\nCONNECT 9600/ARQ \r\n");

    AnswerAtCommand voice;
    EXPECT_EQ(commandBytes(voice), "ATA\r\n");
    feed(voice, {"\r\nOK\r\n"});
    EXPECT_TRUE(voice.ok());
    EXPECT_FALSE(voice.connect());
}
