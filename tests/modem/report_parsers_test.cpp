#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "modem/disconnect_parser.h"
#include "modem/disconnect_reason.h"
#include "modem/dtmf_parser.h"
#include "modem/sms_report_parser.h"
#include "modem/unreclaimed_parser.h"
#include "tests/support/debug_capture.h"

namespace {

TEST(DisconnectParser, MapsEachCallEndingWordToItsReasonTheFirstOfTheTableWinning) {
    struct Case {
        std::string text;
        std::string word;
        int reason;
    };
    const std::vector<Case> cases{
        {"\r\nBUSY\r\n", "BUSY", 1},
        {"\r\nNO CARRIER\r\n", "NO CARRIER", 2},
        {"\r\nNO DIALTONE\r\n", "NO DIALTONE", 3},
        {"\r\nNO ANSWER\r\n", "NO ANSWER", 4},
        {"\r\nNO ANSWER\r\nBUSY\r\n", "BUSY", 1},
        {"NO CARRIER\r\nBUSY\r\n", "BUSY", 1},
        {"\r\nOK\r\n", "", DisconnectReason::none},
        {"", "", DisconnectReason::none},
        {"NO\r\nCARRIER", "", DisconnectReason::none},  // split across lines
    };
    for (const Case& c : cases) {
        DisconnectParser parser{c.text};
        EXPECT_EQ(parser.reason(), 0) << "nothing before found() has searched";
        EXPECT_EQ(parser.found(), !c.word.empty()) << c.text;
        EXPECT_EQ(parser.found_pattern(), c.word) << c.text;
        EXPECT_EQ(parser.reason(), c.reason) << c.text;
    }
}

TEST(DtmfParser, TakesTheFirstNonSpaceCharacterAfterEachReportLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\r\n+DTMF: 1\r\n+DTMF:2\r\n+DTMF: \r\n", "12"},
        {"+DTMF: 5\r\n+DTMF: #\r\n", "5#"},
        {"+DTMF: 56\r\n+DTMF:  *  7\r\n", "5*"},
        {"OK\r\nNO CARRIER +DTMF: 9 later\r\n\r\n\r\nRING", "9"},
        // Every kind of line end separates reports; without one they are one line.
        {"+DTMF:1\r+DTMF:2\r", "12"},
        {"+DTMF:3\n+DTMF:4", "34"},
        {"+DTMF:5+DTMF:6", "5"},
        {"+DTMF:", ""},
        // The tone follows the report itself: spaces elsewhere in the line do not move it.
        {"+DTMF :+DTMF:\r\n", ""},
        {"+D TMF:1 +DTMF: 2\r\n", "2"},
    };
    for (const auto& [text, digits] : cases) {
        DtmfParser parser{text};
        EXPECT_EQ(parser.digits(), "") << "nothing before found() has searched";
        ASSERT_TRUE(parser.found()) << text;
        EXPECT_EQ(parser.digits(), digits) << text;
    }
    DtmfParser none{"\r\nOK\r\n"};
    EXPECT_FALSE(none.found());
    EXPECT_EQ(none.digits(), "");
}

TEST(UnreclaimedParser, FindsTonesAndCallEndInOneTextAndAnEmptyTextChangesNothing) {
    struct Case {
        std::string text;
        bool found;
        int reason;
        std::string digits;
    };
    for (const Case& c : std::vector<Case>{{"\r\n+DTMF: 7\r\n\r\nNO CARRIER\r\n", true, 2, "7"},
                                           {"+DTMF: 0\r\n+DTMF: *\r\n", true, 0, "0*"},
                                           {"BUSY\r\n", true, 1, ""},
                                           {"\r\nOK\r\n", false, 0, ""},
                                           {"", false, 0, ""}}) {
        UnreclaimedParser parser;
        EXPECT_EQ(parser.parse(c.text), c.found) << c.text;
        EXPECT_EQ(parser.disconnect(), c.reason != 0) << c.text;
        EXPECT_EQ(parser.reason(), c.reason) << c.text;
        EXPECT_EQ(parser.dtmf(), !c.digits.empty()) << c.text;
        EXPECT_EQ(parser.digits(), c.digits) << c.text;
    }

    UnreclaimedParser parser;
    ASSERT_TRUE(parser.parse("+DTMF: 3\r\nNO ANSWER\r\n"));
    EXPECT_FALSE(parser.parse(""));
    EXPECT_EQ(parser.reason(), 4);
    EXPECT_EQ(parser.digits(), "3");
}

TEST(UnreclaimedParser, TracesEveryNonEmptyTextToTheDebuggerOutput) {
    testsupport::DebugCapture capture;
    UnreclaimedParser parser;
    parser.parse("");
    parser.parse("50% RING\r\n");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"UnreclaimedParser::parse. 50% RING\r\n"});
}

TEST(SmsReportParser, ANewMessageReportIsRecognisedByItsReasonLine) {
    SmsReportParser parser;
    EXPECT_FALSE(parser.is_report());
    parser.set("\r\n+CMTI: \"SM\",3\r\n", "+CMTI:");
    EXPECT_TRUE(parser.is_report());
    parser.set("\r\nRING\r\n", "RING");
    EXPECT_FALSE(parser.is_report());
    // Only the reason counts, not the answer around it.
    parser.set("\r\n+CMTI: \"SM\",3\r\n", "+CRING");
    EXPECT_FALSE(parser.is_report());
    parser.set("", "x+CMTI: \"ME\",1");
    EXPECT_TRUE(parser.is_report());

    // Where the message went: the storage and index of the last report line.
    using Location = SmsReportParser::Location;
    const std::vector<std::pair<std::string, std::optional<Location>>> lines{
        {"\r\n+CMTI: \"SM\",3\r\n", Location{"SM", 3}},
        {"\r\n+CMTI: \"SM\",3\r\n\r\n+CMTI: ME , 12\r\n", Location{"ME", 12}},
        {"\r\n+CMTI: \"SM\"\r\n", std::nullopt},
        {"\r\n+CMTI: \"SM\",x3\r\n", std::nullopt},
        {"\r\n+CMTI: ,3\r\n", std::nullopt},
        {"\r\n+CMTI: \"S\"M\",3\r\n", std::nullopt},
    };
    for (const auto& [answer, location] : lines) {
        parser.set(answer, "+CMTI:");
        ASSERT_EQ(parser.location().has_value(), location.has_value()) << answer;
        if (location) {
            EXPECT_EQ(parser.location()->storage, location->storage);
            EXPECT_EQ(parser.location()->index, location->index);
        }
    }
}

}  // namespace
