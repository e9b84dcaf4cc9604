#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "modem/disconnect_parser.h"
#include "modem/dtmf_parser.h"
#include "modem/sms_report_parser.h"
#include "modem/unreclaimed_parser.h"
#include "tests/support/debug_capture.h"

namespace {

// Which word wins where several stand, and the tones and new message reports of any text, are
// checked by the report parsers' fuzz target; here the reasons the words stand for.
TEST(DisconnectParser, NamesTheReasonOfEachCallEndingWord) {
    const std::vector<std::pair<std::string, int>> words{
        {"BUSY", 1}, {"NO CARRIER", 2}, {"NO DIALTONE", 3}, {"NO ANSWER", 4}};
    for (const auto& [word, reason] : words) {
        DisconnectParser parser{"\r\n" + word + "\r\n"};
        EXPECT_TRUE(parser.found());
        EXPECT_EQ(parser.found_pattern(), word);
        EXPECT_EQ(parser.reason(), reason);
    }
}

// The fuzz target compares tones with a reference; these are the line shapes modems send.
TEST(DtmfParser, TakesTheFirstNonSpaceCharacterAfterEachReportLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\r\n+DTMF: 1\r\n+DTMF:2\r\n+DTMF: \r\n", "12"},
        {"OK\r\nNO CARRIER +DTMF: 9 later\r\n\r\n\r\nRING", "9"},
        {"+DTMF:1\r+DTMF:2\r", "12"},
        {"+D TMF:1 +DTMF: 2\r\n", "2"},
        {"\r\nOK\r\n", ""},
    };
    for (const auto& [text, digits] : cases) {
        DtmfParser parser{text};
        EXPECT_EQ(parser.found(), !digits.empty()) << text;
        EXPECT_EQ(parser.digits(), digits) << text;
    }
}

TEST(UnreclaimedParser, AnEmptyTextChangesNothing) {
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

TEST(SmsReportParser, TheLastReportLineNamesWhereTheMessageWent) {
    SmsReportParser parser;
    parser.set("\r\n+CMTI: \"SM\",3\r\n", "RING");  // only the reason makes a report
    EXPECT_FALSE(parser.is_report() || parser.location());
    parser.set("", "x+CMTI: \"ME\",1");
    EXPECT_TRUE(parser.is_report() && !parser.location());
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
