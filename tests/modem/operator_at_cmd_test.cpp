#include "modem/operator_at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tests/modem/at_cmd_probe.h"

namespace {

using Lines = std::vector<std::string>;
using Verdict = OperatorAtCmd::Verdict;

TEST(OperatorAtCmd, JudgesTheLinesAfterTheEchoUpToTheFinalResult) {
    struct Case {
        std::string text;
        std::vector<std::string_view> chunks;
        Lines lines;
        Verdict verdict;
        std::string unfinished;
    };
    const std::vector<Case> cases{
        {"ATI", {"AT", "I\r\r\nspand", "sp\r\n\r\nOK\r\n"}, {"spandsp", "OK"}, Verdict::ok, ""},
        {"AT", {"AT\r\n\r\nOK\r\n"}, {"OK"}, Verdict::ok, ""},  // an LF after the echoed CR
        {"AT", {"\r\nOK\r\n"}, {"OK"}, Verdict::ok, ""},        // echo off
        // A late answer ahead of the echo is no reply.
        {"AT", {"\r\nOK\r\nAT\r", "\r\nERROR\r\n"}, {"ERROR"}, Verdict::error, ""},
        // Numeric codes end at their lone CR; an LF after one is no line.
        {"ATV0", {"ATV0\r0\r"}, {"0"}, Verdict::ok, ""},
        {"AT", {"AT\r0\r", "\n"}, {"0"}, Verdict::ok, ""},
        {"AT+X", {"AT+X\r4\r"}, {"4"}, Verdict::error, ""},
        {"ATS0?", {"ATS0?\r000\r\n0\r"}, {"000", "0"}, Verdict::ok, ""},
        {"AT+CPIN?", {"\r\n+CME ERROR: 10\r\n"}, {"+CME ERROR: 10"}, Verdict::error, ""},
        {"AT+CMGR=1", {"\r\n+CMS ERROR: 321\r\n"}, {"+CMS ERROR: 321"}, Verdict::error, ""},
        // A lone CR inside a line that is no numeric code does not end it.
        {"ATX", {"\r\nab\rcd\r\nOK\r\n"}, {"ab\rcd", "OK"}, Verdict::ok, ""},
        // What follows the final result belongs to no command.
        {"AT", {"AT\r\r\nOK\r\n\r\nRING\r\n"}, {"OK"}, Verdict::ok, ""},
        // No final result: the wait ends it, with what came of a line.
        {"AT", {"AT\r\r\nOKAY\r\npart"}, {"OKAY"}, Verdict::none, "part"},
    };
    for (const Case& c : cases) {
        OperatorAtCmd cmd(c.text, 1000);
        EXPECT_EQ(modem_test::commandBytes(cmd), c.text + "\r");
        modem_test::feed(cmd, c.chunks);
        EXPECT_EQ(cmd.lines(), c.lines) << c.text << " " << c.chunks[0];
        EXPECT_EQ(cmd.verdict(), c.verdict) << c.text << " " << c.chunks[0];
        EXPECT_EQ(cmd.is_complete(), c.verdict != Verdict::none);
        EXPECT_EQ(cmd.unfinished(), c.unfinished) << c.text;
    }
}

TEST(OperatorAtCmd, DrainsTheLineAndShowsWhatCameBeforeItsEchoAsStray) {
    OperatorAtCmd cmd("AT", 500);
    EXPECT_TRUE(cmd.drains_line());
    EXPECT_EQ(cmd.answer_timeout(), 500u);
    modem_test::feed(cmd, {"\r\nOK\r\nAT\r\r\nOK\r\n"});
    EXPECT_EQ(cmd.stray_length(), 6u);
    EXPECT_EQ(cmd.lines(), Lines{"OK"});
}

}  // namespace
