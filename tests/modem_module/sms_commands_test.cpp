#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "modem/modem_module/impl/phrase.h"
#include "modem/modem_module/impl/read_sms_at_cmd.h"
#include "modem/modem_module/impl/set_preferred_msg_storage_at_cmd.h"
#include "tests/modem/at_cmd_probe.h"
#include "tests/support/debug_capture.h"

namespace {

const std::string kPdu{
    "07919730071111F1040B919701119905F80000211062417531400BC8329BFD06DDDF723619"};

using modem_test::commandBytes;
using modem_test::feed;

// How any text splits into words is the word fuzz target's; here what lies outside the words.
TEST(Phrase, NoTextHasNoWordsAndAWordOutsideThemIsEmpty) {
    EXPECT_EQ(SimpleUtils::Phrase{""}.number(), 0);
    const SimpleUtils::Phrase two{"a b"};
    EXPECT_EQ(two.word(-1), "");
    EXPECT_EQ(two.word(2), "");
}

TEST(SetPreferredMsgStorageAtCmd, TakesTheThirdValueOfAUsableAnswerAsTheIndexToRead) {
    struct Case {
        std::vector<std::string_view> chunks;
        int index;  // -1: none
    };
    const std::vector<Case> cases{
        {{"\r\n+CPMS: 3,30,", "3,30,3,30\r\n\r\nOK\r\n"}, 3},
        {{"\r\n+CPMS: 1,30, 7 used,30,1,30\r\n\r\nOK\r\n"}, 7},
        {{"\r\nERROR\r\n"}, -1},
        {{"\r\n+CPMS: 3,30,3,30,3,30\r\nERROR\r\n"}, -1},
        {{"\r\n+CPMS: 3,30,3,30,3\r\n\r\nOK\r\n"}, -1},           // five values
        {{"\r\n+CPMS: 3,30,x,30,3,30\r\n\r\nOK\r\n"}, -1},        // third value not a number
        {{"\r\n+CPMS: 3,30,,30,3,30\r\n\r\nOK\r\n"}, -1},         // third value empty
        {{"\r\n+CPMS: 3,30,99999999999,30,3,30\r\nOK\r\n"}, -1},  // too large for an index
        {{"\r\nOK\r\n"}, -1},
        // an echo in front of the answer hides the information line
        {{"AT+CPMS=\"MT\"\r\r\n+CPMS: 3,30,3,30,3,30\r\n\r\nOK\r\n"}, -1},
    };
    for (const Case& c : cases) {
        SetPreferredMsgStorageAtCmd cmd{"\"MT\""};
        EXPECT_EQ(commandBytes(cmd), "AT+CPMS=\"MT\"\r\n");
        feed(cmd, c.chunks);
        EXPECT_TRUE(cmd.is_complete()) << c.chunks[0];
        EXPECT_EQ(cmd.haveUnreadIndex(), c.index >= 0) << c.chunks[0];
        EXPECT_EQ(cmd.unreadIndex(), c.index) << c.chunks[0];
    }
}

TEST(ReadSmsAtCmd, APduModeAnswerGivesTheLengthAndThePdu) {
    testsupport::TraceCapture traces;
    ReadSmsAtCmd cmd{3};
    EXPECT_EQ(commandBytes(cmd), "AT+CMGR=3\r\n");
    EXPECT_EQ(cmd.data(), "");
    feed(cmd, {"\r\n+CMGR: 0,,23\r\n", kPdu.substr(0, 10), kPdu.substr(10) + "\r\n\r\nOK\r\n"});
    EXPECT_TRUE(cmd.result());
    EXPECT_EQ(cmd.length(), 23);
    EXPECT_EQ(cmd.data(), kPdu);

    const std::vector<std::string> lines = traces.containing("ReadSmsAtCmd::on_complete:");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ReadSmsAtCmd::on_complete: result=1 full_answer=\r\n+CMGR: 0,,23\r\n" +
                            kPdu + "\r\n\r\nOK\r\n result_reason=OK\n");
    EXPECT_EQ(lines[1], "ReadSmsAtCmd::on_complete: word1=23 word2=" + kPdu + "\n");
    EXPECT_EQ(lines[2],
              "ReadSmsAtCmd::on_complete: OK! phrase.number=2 m_length=23 m_data=" + kPdu + "\n");
}

// Nothing is taken from a failed or malformed answer; a text-mode answer yields data only for
// a one-word text.
TEST(ReadSmsAtCmd, OtherAnswersYieldNoPduAndTraceWhatWasParsed) {
    testsupport::TraceCapture traces;
    const std::string head{
        "\r\n+CMGR: \"REC UNREAD\",\"+79101234567\",,\"24/01/15,12:34:56+12\"\r\n"};
    struct Case {
        std::string text;
        std::string data;
        int length;
    };
    const std::vector<Case> cases{
        {"\r\nERROR\r\n", "", 0},
        {"\r\n+CMGR: 0,,23\r\n" + kPdu + "\r\nERROR\r\n", "", 0},
        {"\r\n+CMGR: 0\r\n" + kPdu + "\r\n\r\nOK\r\n", "", 0},        // fewer than three values
        {"\r\n+CMGR: 0,,23\r\n\r\nOK\r\n", "", 0},                    // no PDU line
        {"\r\n+CMGR: 0,,xx\r\n" + kPdu + "\r\n\r\nOK\r\n", kPdu, 0},  // length unreadable
        {"AT+CMGR=1\r\r\n+CMGR: 0,,23\r\n" + kPdu + "\r\n\r\nOK\r\n", "", 0},  // echo
        {head + "Hello\r\n\r\nOK\r\n", "Hello", 12},  // the hour of the time stamp
        {head + "Hello there\r\n\r\nOK\r\n", "", 0},
    };
    for (const Case& c : cases) {
        ReadSmsAtCmd cmd{1};
        feed(cmd, {c.text});
        EXPECT_TRUE(cmd.is_complete()) << c.text;
        EXPECT_EQ(cmd.data(), c.data) << c.text;
        EXPECT_EQ(cmd.length(), c.length) << c.text;
    }
    // The answer is traced whatever its verdict, the outcome only once it was parsed.
    EXPECT_EQ(traces.containing("ReadSmsAtCmd::on_complete: result=").size(), cases.size());
    const std::vector<std::string> outcomes = traces.containing("ReadSmsAtCmd::on_complete: OK!");
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0], "ReadSmsAtCmd::on_complete: OK! phrase.number=1 m_length=0 m_data=\n");
}

}  // namespace
