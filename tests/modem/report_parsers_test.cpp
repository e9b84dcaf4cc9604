#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modem/disconnect_parser.h"
#include "modem/disconnect_reason.h"
#include "modem/dtmf_parser.h"
#include "modem/report_parser.h"
#include "modem/sms_report_parser.h"
#include "modem/unreclaimed_parser.h"
#include "tests/support/debug_capture.h"

namespace {

TEST(ReportParser, PatternOrderDecidesNotThePositionInTheText) {
    ReportParser parser{"\r\nSECOND\r\nFIRST\r\n"};
    parser.add_pattern("FIRST");
    parser.add_pattern("SECOND");
    EXPECT_TRUE(parser.found_pattern().empty());
    EXPECT_TRUE(parser.found());
    EXPECT_EQ(parser.found_pattern(), "FIRST");
    EXPECT_EQ(parser.text(), "\r\nSECOND\r\nFIRST\r\n");

    ReportParser inside{"xxMIDDLEyy"};
    inside.add_pattern("MIDDLE");
    EXPECT_TRUE(inside.found());

    ReportParser none{"OK\r\n"};
    none.add_pattern("FIRST");
    EXPECT_FALSE(none.found());
    EXPECT_TRUE(none.found_pattern().empty());
}

TEST(DisconnectParser, MapsEachCallEndingWordToItsReason) {
    struct Case {
        std::string text;
        bool found;
        std::string word;
        int reason;
    };
    const std::vector<Case> cases{
        {"\r\nBUSY\r\n", true, "BUSY", DisconnectReason::busy},
        {"\r\nNO CARRIER\r\n", true, "NO CARRIER", DisconnectReason::noCarrier},
        {"\r\nNO DIALTONE\r\n", true, "NO DIALTONE", DisconnectReason::noDialtone},
        {"\r\nNO ANSWER\r\n", true, "NO ANSWER", DisconnectReason::noAnswer},
        {"\r\nOK\r\n", false, "", DisconnectReason::none},
        {"", false, "", DisconnectReason::none},
        // split across lines the word is not there
        {"NO\r\nCARRIER", false, "", DisconnectReason::none},
    };
    for (const Case& c : cases) {
        DisconnectParser parser{c.text};
        EXPECT_EQ(parser.found(), c.found) << c.text;
        EXPECT_EQ(parser.found_pattern(), c.word) << c.text;
        EXPECT_EQ(parser.reason(), c.reason) << c.text;
    }
    EXPECT_EQ(DisconnectReason::busy, 1);
    EXPECT_EQ(DisconnectReason::noCarrier, 2);
    EXPECT_EQ(DisconnectReason::noDialtone, 3);
    EXPECT_EQ(DisconnectReason::noAnswer, 4);
}

TEST(DisconnectParser, TheFirstWordOfTheTableWinsWhenSeveralOccur) {
    DisconnectParser busyAndNoAnswer{"\r\nNO ANSWER\r\nBUSY\r\n"};
    EXPECT_TRUE(busyAndNoAnswer.found());
    EXPECT_EQ(busyAndNoAnswer.reason(), 1);

    DisconnectParser carrierAndBusy{"NO CARRIER\r\nBUSY\r\n"};
    EXPECT_TRUE(carrierAndBusy.found());
    EXPECT_EQ(carrierAndBusy.found_pattern(), "BUSY");
}

TEST(DisconnectParser, ReasonIsNoneUntilFoundHasSearched) {
    DisconnectParser parser{"NO CARRIER"};
    EXPECT_EQ(parser.reason(), 0);
    ASSERT_TRUE(parser.found());
    EXPECT_EQ(parser.reason(), 2);
}

TEST(DtmfParser, TakesTheFirstNonSpaceCharacterAfterEachReportLine) {
    DtmfParser three{"\r\n+DTMF: 1\r\n+DTMF:2\r\n+DTMF: \r\n"};
    ASSERT_TRUE(three.found());
    EXPECT_EQ(three.digits(), "12");

    DtmfParser two{"+DTMF: 5\r\n+DTMF: #\r\n"};
    ASSERT_TRUE(two.found());
    EXPECT_EQ(two.digits(), "5#");

    DtmfParser longer{"+DTMF: 56\r\n+DTMF:  *  7\r\n"};
    ASSERT_TRUE(longer.found());
    EXPECT_EQ(longer.digits(), "5*");

    DtmfParser amid{"OK\r\nNO CARRIER +DTMF: 9 later\r\n\r\n\r\nRING"};
    ASSERT_TRUE(amid.found());
    EXPECT_EQ(amid.digits(), "9");
}

TEST(DtmfParser, EveryKindOfLineEndSeparatesReports) {
    DtmfParser loneCr{"+DTMF:1\r+DTMF:2\r"};
    ASSERT_TRUE(loneCr.found());
    EXPECT_EQ(loneCr.digits(), "12");

    DtmfParser loneLf{"+DTMF:3\n+DTMF:4"};
    ASSERT_TRUE(loneLf.found());
    EXPECT_EQ(loneLf.digits(), "34");

    // Two reports without a line end between them are one line: only the first counts.
    DtmfParser sameLine{"+DTMF:5+DTMF:6"};
    ASSERT_TRUE(sameLine.found());
    EXPECT_EQ(sameLine.digits(), "5");
}

TEST(DtmfParser, NoDigitsWithoutAReportOrBeforeFound) {
    DtmfParser none{"\r\nOK\r\n"};
    EXPECT_FALSE(none.found());
    EXPECT_EQ(none.digits(), "");

    DtmfParser unsearched{"+DTMF: 1\r\n"};
    EXPECT_EQ(unsearched.digits(), "");

    DtmfParser bare{"+DTMF:"};
    EXPECT_TRUE(bare.found());
    EXPECT_EQ(bare.digits(), "");
}

TEST(UnreclaimedParser, FindsTonesAndCallEndInOneText) {
    UnreclaimedParser parser;
    EXPECT_TRUE(parser.parse("\r\n+DTMF: 7\r\n\r\nNO CARRIER\r\n"));
    EXPECT_TRUE(parser.disconnect());
    EXPECT_EQ(parser.reason(), 2);
    EXPECT_TRUE(parser.dtmf());
    EXPECT_EQ(parser.digits(), "7");

    UnreclaimedParser tonesOnly;
    EXPECT_TRUE(tonesOnly.parse("+DTMF: 0\r\n+DTMF: *\r\n"));
    EXPECT_FALSE(tonesOnly.disconnect());
    EXPECT_EQ(tonesOnly.reason(), 0);
    EXPECT_EQ(tonesOnly.digits(), "0*");

    UnreclaimedParser busy;
    EXPECT_TRUE(busy.parse("BUSY\r\n"));
    EXPECT_TRUE(busy.disconnect());
    EXPECT_EQ(busy.reason(), 1);
    EXPECT_FALSE(busy.dtmf());
    EXPECT_EQ(busy.digits(), "");

    UnreclaimedParser nothing;
    EXPECT_FALSE(nothing.parse("\r\nOK\r\n"));
    EXPECT_FALSE(nothing.disconnect());
    EXPECT_FALSE(nothing.dtmf());
}

TEST(UnreclaimedParser, AnEmptyTextChangesNothing) {
    UnreclaimedParser parser;
    ASSERT_TRUE(parser.parse("+DTMF: 3\r\nNO ANSWER\r\n"));
    EXPECT_FALSE(parser.parse(""));
    EXPECT_TRUE(parser.disconnect());
    EXPECT_EQ(parser.reason(), 4);
    EXPECT_TRUE(parser.dtmf());
    EXPECT_EQ(parser.digits(), "3");

    UnreclaimedParser fresh;
    EXPECT_FALSE(fresh.parse(""));
    EXPECT_FALSE(fresh.disconnect());
    EXPECT_EQ(fresh.reason(), 0);
    EXPECT_FALSE(fresh.dtmf());
    EXPECT_EQ(fresh.digits(), "");
}

TEST(UnreclaimedParser, TracesEveryNonEmptyTextToTheDebuggerOutput) {
    testsupport::DebugCapture capture;
    UnreclaimedParser parser;
    parser.parse("");
    parser.parse("50% RING\r\n");
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "UnreclaimedParser::parse. 50% RING\r\n");
}

TEST(SmsReportParser, ANewMessageReportIsRecognisedByItsReasonLine) {
    SmsReportParser parser;
    EXPECT_EQ(parser.prefixes(), (Msg::Strings{"+CMTI:"}));
    EXPECT_FALSE(parser.is_report());

    parser.set("\r\n+CMTI: \"SM\",3\r\n", "+CMTI:");
    EXPECT_TRUE(parser.is_report());
    EXPECT_EQ(parser.answer(), "\r\n+CMTI: \"SM\",3\r\n");
    EXPECT_EQ(parser.reason(), "+CMTI:");

    parser.set("\r\nRING\r\n", "RING");
    EXPECT_FALSE(parser.is_report());

    // Only the reason counts, not the answer around it.
    parser.set("\r\n+CMTI: \"SM\",3\r\n", "+CRING");
    EXPECT_FALSE(parser.is_report());
    parser.set("", "x+CMTI: \"ME\",1");
    EXPECT_TRUE(parser.is_report());
}

}  // namespace
