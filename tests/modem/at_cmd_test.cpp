#include "modem/at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "modem/adjusted_at_cmd.h"
#include "sim/flood_pattern.h"
#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::feed;

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

// The fuzz target cuts answers everywhere; this cut is the one a CR LF line end meets most.
TEST(ATCmdLineMatching, ALineEndCutBetweenItsCrAndLfStillEndsTheLine) {
    LineCmd cmd = okErrorCmd();
    feed(cmd, {"\r\nOK\r", "\n"});
    EXPECT_TRUE(cmd.is_complete() && cmd.result());
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
