#include "modem/modem_module/impl/call_at_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/modem/at_cmd_probe.h"

using modem_test::commandBytes;
using modem_test::feed;

TEST(DialAtCommand, VoiceCallsEndInSemicolonAndTheFailureWordIsKept) {
    EXPECT_EQ(commandBytes(DialAtCommand("123", false)), "ATD123;\r\n");
    EXPECT_EQ(commandBytes(DialAtCommand("123", true)), "ATD123\r\n");
    EXPECT_EQ(commandBytes(DialAtCommand("+7 (495) 1-2", true)), "ATD+7 (495) 1-2\r\n");

    // The far end's first bytes in the chunk of CONNECT are no part of the dial's answer.
    DialAtCommand connected("5", true);
    EXPECT_EQ(connected.answer_timeout(), 300000u);
    feed(connected, {"ATD5\r\r\nCONNECT 9600/ARQ \r\nhello\r\nNO CARRIER\r\n"});
    EXPECT_TRUE(connected.is_complete() && connected.result());
    EXPECT_EQ(connected.connect_detail(), "9600/ARQ");
    EXPECT_EQ(connected.rest(), "hello\r\nNO CARRIER\r\n");
    EXPECT_EQ(connected.full_answer(), "ATD5\r\r\nCONNECT 9600/ARQ \r\n");

    const std::vector<std::pair<const char*, int>> failures{
        {"BUSY", 1}, {"NO CARRIER", 2}, {"NO DIALTONE", 3}, {"NO ANSWER", 4}, {"ERROR", 2}};
    for (const auto& [word, reason] : failures) {
        DialAtCommand dial("5", false);
        feed(dial, {"\r\n", std::string(word) + "\r\n"});
        EXPECT_TRUE(dial.is_complete()) << word;
        EXPECT_FALSE(dial.result()) << word;
        EXPECT_EQ(dial.failure_reason(), reason) << word;
    }
    EXPECT_EQ(DialAtCommand("5", false).failure_reason(), 2);  // no final answer at all
}

TEST(AnswerAtCommand, TellsAVoiceAnswerFromADataAnswer) {
    AnswerAtCommand voice;
    EXPECT_EQ(commandBytes(voice), "ATA\r\n");
    feed(voice, {"\r\nOK\r\n"});
    EXPECT_TRUE(voice.ok());
    EXPECT_FALSE(voice.connect());

    AnswerAtCommand data;
    feed(data, {"\r\nCONNECT 14400\r\n~~"});
    EXPECT_TRUE(data.connect());
    EXPECT_FALSE(data.ok());
    EXPECT_EQ(data.connect_detail(), "14400");
    EXPECT_EQ(data.rest(), "~~");

    AnswerAtCommand failed;
    feed(failed, {"\r\nNO CARRIER\r\n"});
    EXPECT_TRUE(failed.is_complete());
    EXPECT_FALSE(failed.result() || failed.ok() || failed.connect());
}

TEST(ModeCommands, EscapeIsThreeBareBytesAfterTheGuardTime) {
    ToTextModeAtCommand escape;
    EXPECT_EQ(commandBytes(escape), "+++");
    EXPECT_EQ(escape.delay_before(), 1500u);
    EXPECT_EQ(escape.answer_timeout(), 6000u);
    EXPECT_EQ(commandBytes(HangupAtCommand()), "ATH\r\n");
    EXPECT_EQ(HangupAtCommand().answer_timeout(), 500u);
    EXPECT_EQ(commandBytes(EchoOffAtCommand()), "ATE0\r\n");
    EXPECT_EQ(EchoOffAtCommand().answer_timeout(), 400u);
}
