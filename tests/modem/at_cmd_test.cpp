#include "modem/at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "modem/simple_at_cmd.h"
#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::feed;
using modem_test::Probe;
using modem_test::run;
using modem_test::Verdict;

using LineCmd = Probe<ATCmd>;

LineCmd okErrorCmd() {
    LineCmd cmd;
    cmd.set_command("AT\r");
    cmd.add_complete_rule("OK", true);
    cmd.add_complete_rule("ERROR", false);
    return cmd;
}

TEST(ATCmdRules, OnlyANewNonEmptyRuleTextIsAddedAndMakesTheCommandWait) {
    LineCmd cmd;
    EXPECT_TRUE(cmd.is_complete()) << "nothing to wait for without rules";
    EXPECT_EQ(cmd.answer_timeout(), 100u);

    cmd.add_complete_rule("", true);
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.rules().empty());

    cmd.add_complete_rule("OK", true);
    cmd.add_complete_rule("OK", false);
    ASSERT_EQ(cmd.rules().size(), 1u);
    EXPECT_FALSE(cmd.is_complete());
    feed(cmd, {"OK\r\n"});
    EXPECT_TRUE(cmd.result()) << "the first rule keeps its flag";
}

TEST(ATCmdLineMatching, OnlyFinishedLinesAreJudged) {
    LineCmd cmd = okErrorCmd();

    feed(cmd, {"O"});
    EXPECT_FALSE(cmd.is_complete());
    feed(cmd, {"K"});
    EXPECT_FALSE(cmd.is_complete()) << "OK without a line end is not an answer yet";
    feed(cmd, {"\r"});
    EXPECT_FALSE(cmd.is_complete());
    feed(cmd, {"\n"});
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.result());
    ASSERT_EQ(cmd.calls.size(), 1u);
    EXPECT_EQ(cmd.calls[0].answer, "OK\r\n");
    EXPECT_EQ(cmd.calls[0].reason, "OK");
}

TEST(ATCmdLineMatching, LinesThatOnlyContainOrResembleARuleDoNotMatch) {
    LineCmd cmd = okErrorCmd();
    // Echo, an extended error, lower case and a result that is not at the line start.
    feed(cmd, {"AT\r\r\n", "+CME ERROR: 10\r\n", "ok\r\n", " OK\r\n", "\r\n"});
    EXPECT_FALSE(cmd.is_complete());
    EXPECT_FALSE(cmd.result());
    EXPECT_TRUE(cmd.calls.empty());
    EXPECT_EQ(cmd.full_answer(), "AT\r\r\n+CME ERROR: 10\r\nok\r\n OK\r\n\r\n");
}

TEST(ATCmdLineMatching, RuleMatchesAsALinePrefixAndCarriesItsFlag) {
    LineCmd connect;
    connect.add_complete_rule("CONNECT", true);
    feed(connect, {"\r\nCONNECT 9600\r\n"});
    EXPECT_TRUE(connect.is_complete());
    EXPECT_TRUE(connect.result());

    LineCmd refused = okErrorCmd();
    feed(refused, {"\r\nERROR\r\n"});
    EXPECT_TRUE(refused.is_complete());
    EXPECT_FALSE(refused.result());
    ASSERT_EQ(refused.calls.size(), 1u);
    EXPECT_FALSE(refused.calls[0].result);
    EXPECT_EQ(refused.calls[0].reason, "ERROR");
}

TEST(ATCmdLineMatching, LastMatchDecidesByLineThenByRuleOrder) {
    // Two finished lines in one chunk: the later line wins.
    LineCmd lines = okErrorCmd();
    feed(lines, {"ERROR\r\nOK\r\n"});
    EXPECT_TRUE(lines.is_complete());
    EXPECT_TRUE(lines.result());
    ASSERT_EQ(lines.calls.size(), 1u);
    EXPECT_EQ(lines.calls[0].reason, "OK");

    // One line matched by two rules: the later rule wins.
    LineCmd rules;
    rules.add_complete_rule("+CMTI:", true);
    rules.add_complete_rule("+CMTI: \"SM\"", false);
    feed(rules, {"+CMTI: \"SM\",3\r\n"});
    EXPECT_TRUE(rules.is_complete());
    EXPECT_FALSE(rules.result());
    ASSERT_EQ(rules.calls.size(), 1u);
    EXPECT_EQ(rules.calls[0].reason, "+CMTI: \"SM\"");
}

TEST(ATCmdLineMatching, ChunkLengthAloneBoundsTheData) {
    LineCmd cmd = okErrorCmd();
    cmd.on_data(nullptr, 5);
    cmd.on_data("OK\r\n", -4);
    EXPECT_TRUE(cmd.full_answer().empty());
    EXPECT_FALSE(cmd.is_complete());

    // The port's buffer holds more than the chunk, and a modem may send NUL bytes.
    const std::string_view buffer{"\0x\r\nOK\r\nERROR\r\n", 13};
    cmd.on_data(buffer.data(), 8);
    EXPECT_EQ(cmd.full_answer(), buffer.substr(0, 8));
    EXPECT_TRUE(cmd.is_complete());
    EXPECT_TRUE(cmd.result());
}

// Answers in which at most one finished line matches a rule: where the port happens to cut
// the stream must not change the outcome.
TEST(ATCmdLineMatching, EveryTwoChunkSplitGivesTheOneChunkVerdict) {
    const std::vector<std::string_view> answers{
        "OK\r\n",
        "AT\r\r\nOK\r\n",
        "\r\n+CSQ: 17,99\r\n\r\nOK\r\n",
        "AT+CMGR=3\r\r\n+CMS ERROR: 321\r\nERROR\r\n",
        "\r\nERROR\r\n",
        "OK\r\nRING\r\n",
        "\r\nBUSY\r\n",
        "\r\nOK",
        "O\r\nK\r\n",
    };
    const LineCmd templateCmd = okErrorCmd();
    for (std::string_view answer : answers) {
        const Verdict whole = run(templateCmd, {answer});
        EXPECT_LE(whole.reasons.size(), 1u) << answer;
        for (std::size_t cut = 1; cut < answer.size(); ++cut) {
            EXPECT_EQ(run(templateCmd, {answer.substr(0, cut), answer.substr(cut)}), whole)
                << "answer '" << answer << "' cut at " << cut;
        }
    }
}

// A failure line followed by a success line: the outcome depends on whether the port saw
// the failure line finished before the rest arrived.
TEST(ATCmdLineMatching, SplitAfterAFinishedFailureLineEndsTheWaitEarly) {
    constexpr std::string_view answer = "ERROR\r\nOK\r\n";
    constexpr std::size_t errorLineEnd = 7;
    const LineCmd templateCmd = okErrorCmd();
    const Verdict lastLineWins{true, true, {true}, {"OK"}};
    const Verdict firstLineWins{true, false, {false}, {"ERROR"}};

    EXPECT_EQ(run(templateCmd, {answer}), lastLineWins);
    for (std::size_t cut = 1; cut < answer.size(); ++cut) {
        LineCmd cmd{templateCmd};
        const std::size_t taken = feed(cmd, {answer.substr(0, cut), answer.substr(cut)});
        if (cut < errorLineEnd) {
            EXPECT_EQ(modem_test::verdictOf(cmd), lastLineWins) << "cut at " << cut;
            EXPECT_EQ(taken, 2u);
        } else {
            EXPECT_EQ(modem_test::verdictOf(cmd), firstLineWins) << "cut at " << cut;
            EXPECT_EQ(taken, 1u) << "the first chunk must end the wait";
        }
    }
}

TEST(ATCmdCopy, CopyOfATemplateRunsOnItsOwn) {
    LineCmd templateCmd = okErrorCmd();
    templateCmd.set_answer_timeout(700);
    templateCmd.set_delay_before(30);

    LineCmd first{templateCmd};
    feed(first, {"ERROR\r\n"});
    LineCmd second{templateCmd};
    feed(second, {"OK\r\n"});

    EXPECT_FALSE(templateCmd.is_complete());
    EXPECT_TRUE(templateCmd.full_answer().empty());
    EXPECT_FALSE(first.result());
    EXPECT_TRUE(second.result());
    EXPECT_EQ(second.answer_timeout(), 700u);
    EXPECT_EQ(second.delay_before(), 30u);
    EXPECT_EQ(std::string(second.command_data(), second.command_size()), "AT\r");
}

TEST(ATCmdCopy, PlainCopyOfAGeneratedCommandKeepsBytesAndRules) {
    const SimpleAtCmd generated{"CSQ", "", 2, true, 1000};
    // What a worker keeps when it only needs the verdict.
    ATCmd plain{generated};  // NOLINT(cppcoreguidelines-slicing)
    EXPECT_EQ(std::string(plain.command_data(), plain.command_size()), "AT+CSQ\r\n");
    EXPECT_EQ(plain.answer_timeout(), 1000u);
    feed(plain, {"+CSQ: 17,99\r\n", "\r\nERROR\r\n"});
    EXPECT_TRUE(plain.is_complete());
    EXPECT_FALSE(plain.result());
}

}  // namespace
