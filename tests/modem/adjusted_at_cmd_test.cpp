#include "modem/adjusted_at_cmd.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::commandBytes;
using modem_test::run;
using modem_test::Verdict;

using SubstringCmd = modem_test::Probe<AdjustedAtCmd>;

TEST(AdjustedAtCmd, SendsTheTextUnchangedAndWithoutAnExpectedAnswerWaitsForNothing) {
    const SubstringCmd cmd{"ATE0\r", "\r\nOK\r\n", 2500};
    EXPECT_EQ(commandBytes(cmd), "ATE0\r");
    EXPECT_EQ(cmd.answer_timeout(), 2500u);
    EXPECT_FALSE(cmd.is_complete());

    const SubstringCmd nothing{"AT\r", "", 1000};
    EXPECT_TRUE(nothing.rules().empty());
    EXPECT_TRUE(nothing.is_complete());
    EXPECT_FALSE(nothing.result());
}

TEST(AdjustedAtCmd, ExpectedBytesMatchAnywhereAndTheLastRuleInRuleOrderWins) {
    const Verdict waiting{false, false, {}, {}};
    const Verdict ok{true, true, {true}, {"\r\nOK\r\n"}};
    const SubstringCmd exact{"AT\r", "\r\nOK\r\n", 1000};
    EXPECT_EQ(run(exact, {"AT\r\r\nOK\r\n"}), ok);
    EXPECT_EQ(run(exact, {"OK\r\n", "ok\r\n"}), waiting);  // the leading line end is missing
    // No line structure is needed: the text may sit inside a line.
    EXPECT_EQ(run(SubstringCmd{"ATI\r", "SIM800", 1000}, {"\r\nModel: SIM8", "00 R14.18\r"}),
              (Verdict{true, true, {true}, {"SIM800"}}));

    // The success text comes later in the answer, but the failure rule later in rule order.
    SubstringCmd twoRules{"AT\r", "OK", 1000};
    twoRules.add_complete_rule("ERROR", false);
    EXPECT_EQ(run(twoRules, {"\r\nERROR\r\n\r\nOK\r\n"}),
              (Verdict{true, false, {false}, {"ERROR"}}));

    SubstringCmd kept{exact};
    modem_test::feed(kept, {"AT\r\r\nOK\r\n"});
    EXPECT_EQ(kept.calls.at(0).answer, "AT\r\r\nOK\r\n");
}

// A text found once stays found; a rule added while the answer grows searches it whole.
TEST(AdjustedAtCmd, ARuleAddedMidAnswerSearchesTheEarlierBytesToo) {
    SubstringCmd cmd{"AT\r", "NO CARRIER", 1000};
    modem_test::feed(cmd, {"\r\nRING\r\n"});
    EXPECT_FALSE(cmd.is_complete());
    cmd.add_complete_rule("RING", true);
    modem_test::feed(cmd, {"\r\n"});
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.result());
    ASSERT_EQ(cmd.calls.size(), 1u);
    EXPECT_EQ(cmd.calls[0].reason, "RING");
}

// With at most one rule's text in an answer, a text in the first chunk is in the whole.
TEST(AdjustedAtCmd, EveryTwoChunkSplitGivesTheOneChunkVerdict) {
    SubstringCmd templateCmd{"AT+CPIN?\r", "\r\nOK\r\n", 1000};
    templateCmd.add_complete_rule("\r\nERROR\r\n", false);
    for (std::string_view answer :
         {"\r\nOK\r\n", "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n", "\r\n+CME ERROR: 10\r\n",
          "\r\nERROR\r\n", "OK\r\n", "\r\nOK\r"}) {
        const Verdict whole = run(templateCmd, {answer});
        for (std::size_t cut = 1; cut < answer.size(); ++cut) {
            EXPECT_EQ(run(templateCmd, {answer.substr(0, cut), answer.substr(cut)}), whole)
                << "answer '" << answer << "' cut at " << cut;
        }
    }
}

}  // namespace
