#include "modem/at_cmd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "sim/flood_pattern.h"
#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::feed;
using modem_test::run;

using LineCmd = modem_test::Probe<ATCmd>;
using SubstringCmd = modem_test::Probe<AdjustedAtCmd>;

LineCmd withRules(const std::vector<std::pair<std::string, bool>>& rules) {
    LineCmd cmd;
    cmd.set_command("AT\r");
    for (const auto& [text, success] : rules) {
        cmd.add_complete_rule(text, success);
    }
    return cmd;
}

LineCmd okErrorCmd() {
    return withRules({{"OK", true}, {"ERROR", false}});
}

// Without rules (an empty text adds none) a command waits for nothing: the modem port's test.
TEST(ATCmdRules, ARuleTextAddedTwiceKeepsItsFirstFlag) {
    LineCmd cmd;
    cmd.add_complete_rule("OK", true);
    cmd.add_complete_rule("OK", false);
    ASSERT_EQ(cmd.rules().size(), 1u);
    feed(cmd, {"OK\r\n"});
    EXPECT_TRUE(cmd.result());
}

TEST(ATCmdLineMatching, AFinishedLineThatStartsWithARuleDecidesLastLineAndLastRuleFirst) {
    const std::string waiting = "waiting";
    struct Case {
        LineCmd cmd;
        std::vector<std::string_view> chunks;
        std::string verdict;
    };
    const Case cases[] = {
        {okErrorCmd(), {"O", "K", "\r"}, waiting},  // no line end yet
        {okErrorCmd(), {"O", "K", "\r", "\n"}, "ok +OK"},
        // Echo, an extended error, lower case and a result that is not at the line start.
        {okErrorCmd(), {"AT\r\r\n", "+CME ERROR: 10\r\n", "ok\r\n", " OK\r\n", "\r\n"}, waiting},
        {withRules({{"CONNECT", true}}), {"\r\nCONNECT 9600\r\n"}, "ok +CONNECT"},
        {okErrorCmd(), {"\r\nERROR\r\n"}, "failed -ERROR"},
        {okErrorCmd(), {"ERROR\r\nOK\r\n"}, "ok +OK"},
        {withRules({{"+CMTI:", true}, {"+CMTI: \"SM\"", false}}),
         {"+CMTI: \"SM\",3\r\n"},
         "failed -+CMTI: \"SM\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.cmd, c.chunks), c.verdict) << c.chunks.front();
    }

    LineCmd cmd = okErrorCmd();
    feed(cmd, {"AT\r\r\n", "OK\r\n"});
    ASSERT_EQ(cmd.calls.size(), 1u);
    EXPECT_EQ(cmd.calls[0].answer, "AT\r\r\nOK\r\n");
    EXPECT_EQ(cmd.full_answer(), "AT\r\r\nOK\r\n");
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

// Lines are judged as they finish, bytes searched as they come; a rule added while the answer
// grows still judges what came before it.
TEST(ATCmdRules, ARuleAddedMidAnswerJudgesTheEarlierAnswerToo) {
    const auto check = [](auto cmd) {
        feed(cmd, {"\r\nOK\r\n"});
        EXPECT_FALSE(cmd.is_complete());
        cmd.add_complete_rule("OK", true);
        feed(cmd, {"\r\n"});
        EXPECT_TRUE(cmd.is_complete() && cmd.result());
        ASSERT_EQ(cmd.calls.size(), 1u);
        EXPECT_EQ(cmd.calls[0].reason, "OK");
    };
    check(withRules({{"BUSY", false}}));
    check(SubstringCmd{"AT\r", "NO CARRIER", 1000});
}

// Where the port happens to cut an answer with at most one rule's text must not matter; for
// a list command, neither where the echo and what came before it are cut.
TEST(ATCmdRules, EveryTwoChunkSplitGivesTheOneChunkVerdict) {
    SubstringCmd bytes{"AT+CPIN?\r", "\r\nOK\r\n", 1000};
    bytes.add_complete_rule("\r\nERROR\r\n", false);
    SubstringCmd listCmd{bytes};
    listCmd.set_own_reply_only(true);
    const auto check = [](const auto& cmd, std::vector<std::string_view> answers) {
        for (std::string_view answer : answers) {
            const std::string whole = run(cmd, {answer});
            EXPECT_LE(std::count(whole.begin(), whole.end(), ' '), 1) << answer;  // one call
            for (std::size_t cut = 1; cut < answer.size(); ++cut) {
                EXPECT_EQ(run(cmd, {answer.substr(0, cut), answer.substr(cut)}), whole)
                    << "answer '" << answer << "' cut at " << cut;
            }
        }
    };
    check(okErrorCmd(), {"OK\r\n", "AT\r\r\nOK\r\n", "\r\n+CSQ: 17,99\r\n\r\nOK\r\n",
                         "AT+CMGR=3\r\r\n+CMS ERROR: 321\r\nERROR\r\n", "\r\nERROR\r\n",
                         "OK\r\nRING\r\n", "\r\nBUSY\r\n", "\r\nOK", "O\r\nK\r\n"});
    for (const SubstringCmd& cmd : {bytes, listCmd}) {
        check(cmd, {"\r\nOK\r\n", "AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n",
                    "\r\n+CME ERROR: 10\r\n", "\r\nERROR\r\n", "OK\r\n", "\r\nOK\r",
                    "\r\nRING\r\nAT+CPIN?\r\r\nERROR\r\n", "AT+CPAT+CPIN?\r\n\r\nOK\r\n"});
    }
}

// A failure line followed by a success line: a chunk that ends after the finished failure
// line ends the wait there.
TEST(ATCmdLineMatching, SplitAfterAFinishedFailureLineEndsTheWaitEarly) {
    constexpr std::string_view answer = "ERROR\r\nOK\r\n";
    constexpr std::size_t errorLineEnd = 7;
    const LineCmd templateCmd = okErrorCmd();
    const std::string lastLineWins = "ok +OK";
    const std::string firstLineWins = "failed -ERROR";

    EXPECT_EQ(run(templateCmd, {answer}), lastLineWins);
    for (std::size_t cut = 1; cut < answer.size(); ++cut) {
        LineCmd cmd{templateCmd};
        const std::size_t taken = feed(cmd, {answer.substr(0, cut), answer.substr(cut)});
        const bool early = cut >= errorLineEnd;
        EXPECT_EQ(modem_test::verdictOf(cmd), early ? firstLineWins : lastLineWins) << cut;
        EXPECT_EQ(taken, early ? 1u : 2u) << "cut at " << cut;
    }
}

// A flooding modem: of a long answer the first and the last 64 KiB are kept, with the count
// of the bytes between, and still every line and every byte is judged.
TEST(ATCmdKeptAnswer, ALongAnswerKeepsItsEndsAndIsStillJudgedWhole) {
    const std::string flood = sim::FloodPattern::slice(0, 300 * 1024);
    const std::string_view last = "\r\nOK\r\n";
    LineCmd lines = okErrorCmd();
    AdjustedAtCmd bytes("AT\r", "\nOK", 1000);
    for (ATCmd* cmd : {static_cast<ATCmd*>(&lines), static_cast<ATCmd*>(&bytes)}) {
        for (std::size_t at = 0; at < flood.size(); at += 4096) {
            const std::string_view chunk = std::string_view(flood).substr(at, 4096);
            cmd->on_data(chunk.data(), static_cast<int>(chunk.size()));
            ASSERT_LE(cmd->full_answer().size(), 3 * KeptAnswer::kTailBytes);
        }
        EXPECT_FALSE(cmd->is_complete());
        cmd->on_data(last.data(), static_cast<int>(last.size()));
        EXPECT_TRUE(cmd->is_complete() && cmd->result());
        const std::string whole = flood + std::string(last);
        const KeptAnswer& kept = cmd->kept_answer();
        EXPECT_EQ(kept.head(), whole.substr(0, KeptAnswer::kHeadBytes));
        EXPECT_EQ(kept.tail(), whole.substr(whole.size() - KeptAnswer::kTailBytes));
        EXPECT_EQ(kept.skipped(), whole.size() - KeptAnswer::kHeadBytes - KeptAnswer::kTailBytes);
    }
}

}  // namespace
