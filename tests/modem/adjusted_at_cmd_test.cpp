#include "modem/adjusted_at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/modem/at_cmd_probe.h"

namespace {

using SubstringCmd = modem_test::Probe<AdjustedAtCmd>;

// Where the expected bytes may stand and how the answer is cut is checked by the answer fuzz
// target, which gives a command one rule; of two found, the later in rule order wins.
TEST(AdjustedAtCmd, OfTwoRulesFoundTheLaterInRuleOrderWins) {
    SubstringCmd twoRules{"AT\r", "OK", 1000};
    twoRules.add_complete_rule("ERROR", false);
    modem_test::feed(twoRules, {"\r\nERROR\r\n\r\nOK\r\n"});
    EXPECT_TRUE(twoRules.is_complete());
    EXPECT_FALSE(twoRules.result());
    ASSERT_EQ(twoRules.calls.size(), 1u);
    EXPECT_EQ(twoRules.calls[0].reason, "ERROR");
}

// A list command judges what follows its echo (its bytes up to the first CR): neither the echo
// nor what came before it (a late answer to an earlier command) can satisfy it. Before the
// echo has come the bytes are judged as they are (echo off), but a tail that may still become
// the echo waits. The answer fuzz target checks these verdicts on any bytes; here they go with
// what is shown as stray.
TEST(AdjustedAtCmd, AListCommandJudgesOnlyWhatFollowsItsEcho) {
    struct Case {
        std::string_view command;
        std::string_view expected;
        std::vector<std::string_view> chunks;
        bool ok;
        std::size_t stray;  // of the last chunk
    };
    const Case cases[] = {
        {"AT+NOSUCH\r", "OK", {"\r\nOK\r\nAT+NOSUCH\r\r\nERROR\r\n"}, false, 6},
        {"AT+NOSUCH\r", "OK", {"\r\nERROR\r\nAT+NOS", "UCH\r\nOK"}, true, 0},
        {"ATI\r", "OK", {"\r\nOK\r\n"}, true, 0},       // echo off: nothing to tell apart
        {"ATI", "I", {"ATI"}, false, 0},                // no CR: the whole command is the echo
        {"AT\r", "AT\r", {"AT\r\r\nOK\r\n"}, true, 0},  // checks of the echo itself
        {"ATX", "\r\nOK\r\n", {"\r\nOK\r", "ATX\n"}, false, 0},  // judged, then forgotten
    };
    for (const Case& c : cases) {
        SubstringCmd cmd{c.command, c.expected, 1000};
        cmd.set_own_reply_only(true);
        EXPECT_TRUE(cmd.drains_line());
        const std::size_t taken = modem_test::feed(cmd, c.chunks);
        EXPECT_EQ(cmd.is_complete() && cmd.result(), c.ok) << c.command << " " << c.chunks[0];
        EXPECT_EQ(cmd.stray_length(), c.stray) << c.command << " " << c.chunks[0];
        std::string received;  // the echo and what came before it stay in the answer
        for (std::size_t i = 0; i < taken; ++i) {
            received += c.chunks[i];
        }
        EXPECT_EQ(cmd.full_answer(), received);
    }
}

}  // namespace
