#include "modem/adjusted_at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::feed;
using modem_test::Probe;
using modem_test::run;
using modem_test::Verdict;

using SubstringCmd = Probe<AdjustedAtCmd>;

TEST(AdjustedAtCmd, SendsTheTextUnchangedWithOneSuccessRule) {
    SubstringCmd cmd{"ATE0\r", "\r\nOK\r\n", 2500};
    EXPECT_EQ(std::string(cmd.command_data(), cmd.command_size()), "ATE0\r");
    EXPECT_EQ(cmd.answer_timeout(), 2500u);
    EXPECT_EQ(cmd.delay_before(), 0u);
    ASSERT_EQ(cmd.rules().size(), 1u);
    EXPECT_TRUE(cmd.rules()[0].success);
    EXPECT_FALSE(cmd.is_complete());
}

TEST(AdjustedAtCmd, EmptyExpectedAnswerMeansNothingToWaitFor) {
    SubstringCmd cmd{"AT\r", "", 1000};
    EXPECT_TRUE(cmd.rules().empty());
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_FALSE(cmd.result());
}

TEST(AdjustedAtCmd, ExpectedAnswerIsMatchedByteForByteAnywhere) {
    SubstringCmd echoed{"AT\r", "\r\nOK\r\n", 1000};
    feed(echoed, {"AT\r\r\nOK\r\n"});
    EXPECT_TRUE(echoed.is_complete());
    EXPECT_TRUE(echoed.result());
    ASSERT_EQ(echoed.calls.size(), 1u);
    EXPECT_EQ(echoed.calls[0].reason, "\r\nOK\r\n");
    EXPECT_EQ(echoed.calls[0].answer, "AT\r\r\nOK\r\n");

    // Without the leading line end the expected bytes are not there.
    SubstringCmd bare{"AT\r", "\r\nOK\r\n", 1000};
    feed(bare, {"OK\r\n", "ok\r\n"});
    EXPECT_FALSE(bare.is_complete());
    EXPECT_EQ(bare.full_answer(), "OK\r\nok\r\n");

    // No line structure is needed: the text may sit inside a line.
    SubstringCmd inside{"ATI\r", "SIM800", 1000};
    feed(inside, {"\r\nModel: SIM8", "00 R14.18\r"});
    EXPECT_TRUE(inside.is_complete());
    EXPECT_TRUE(inside.result());
}

TEST(AdjustedAtCmd, LastMatchingRuleWinsWhateverItsPositionInTheAnswer) {
    SubstringCmd cmd{"AT\r", "OK", 1000};
    cmd.add_complete_rule("ERROR", false);
    // The success text comes later in the answer, but the failure rule comes later in the
    // rule order, and rule order decides.
    feed(cmd, {"\r\nERROR\r\n\r\nOK\r\n"});
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_FALSE(cmd.result());
    ASSERT_EQ(cmd.calls.size(), 1u);
    EXPECT_EQ(cmd.calls[0].reason, "ERROR");
}

// Answers in which at most one rule's text ever occurs: a text present in the first chunk
// is present in the whole, so the cut cannot matter.
TEST(AdjustedAtCmd, EveryTwoChunkSplitGivesTheOneChunkVerdict) {
    SubstringCmd templateCmd{"AT+CPIN?\r", "\r\nOK\r\n", 1000};
    templateCmd.add_complete_rule("\r\nERROR\r\n", false);
    const std::vector<std::string_view> answers{
        "\r\nOK\r\n",
        "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n",
        "\r\n+CME ERROR: 10\r\n",
        "\r\nERROR\r\n",
        "OK\r\n",
        "\r\nOK\r",
    };
    for (std::string_view answer : answers) {
        const Verdict whole = run(templateCmd, {answer});
        for (std::size_t cut = 1; cut < answer.size(); ++cut) {
            EXPECT_EQ(run(templateCmd, {answer.substr(0, cut), answer.substr(cut)}), whole)
                << "answer '" << answer << "' cut at " << cut;
        }
    }
}

}  // namespace
