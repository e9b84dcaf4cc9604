#include "modem/modem_module/impl/call_at_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/modem/at_cmd_probe.h"

using modem_test::commandBytes;
using modem_test::feed;

TEST(DialAtCommand, VoiceCallsEndInSemicolonAndEveryFailureWordEndsTheDial) {
    EXPECT_EQ(commandBytes(DialAtCommand("123", false)), "ATD123;\r\n");
    EXPECT_EQ(commandBytes(DialAtCommand("123", true)), "ATD123\r\n");
    EXPECT_EQ(commandBytes(DialAtCommand("+7 (495) 1-2", true)), "ATD+7 (495) 1-2\r\n");

    DialAtCommand connected("5", true);
    EXPECT_EQ(connected.answer_timeout(), 300000u);
    feed(connected, {"ATD5\r\r\nCONNECT 9600\r\n"});
    EXPECT_TRUE(connected.is_complete() && connected.result());

    for (const char* failure : {"BUSY", "NO CARRIER", "NO DIALTONE", "NO ANSWER", "ERROR"}) {
        DialAtCommand dial("5", false);
        feed(dial, {std::string("\r\n") + failure + "\r\n"});
        EXPECT_TRUE(dial.is_complete()) << failure;
        EXPECT_FALSE(dial.result()) << failure;
    }
}

TEST(AnswerAtCommand, TellsAVoiceAnswerFromADataAnswer) {
    AnswerAtCommand voice;
    EXPECT_EQ(commandBytes(voice), "ATA\r\n");
    feed(voice, {"\r\nOK\r\n"});
    EXPECT_TRUE(voice.ok());
    EXPECT_FALSE(voice.connect());

    AnswerAtCommand data;
    feed(data, {"\r\nCONNECT 14400\r\n"});
    EXPECT_TRUE(data.connect());
    EXPECT_FALSE(data.ok());

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
