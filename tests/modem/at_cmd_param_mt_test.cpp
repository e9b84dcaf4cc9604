#include "modem/at_cmd_param_mt.h"

#include <gtest/gtest.h>

#include <string>

// Whole lines, runs of spaces and fields past the fourth are read in the list file tests.
TEST(AtCmdParamMtLine, ReadsCommandAnswerWaitAndDelay) {
    // A tab is part of the field, not a separator; tabs and spaces that end the line are
    // dropped, but an escaped tab or line break at the end stays in the answer.
    EXPECT_EQ(AtCmdParamMt("AT\tOK X \t"), AtCmdParamMt("AT\tOK", "X"));
    EXPECT_EQ(AtCmdParamMt("AT<CR> OK\t"), AtCmdParamMt("AT\r", "OK"));
    EXPECT_EQ(AtCmdParamMt("AT OK 500\t\t"), AtCmdParamMt("AT", "OK", 500, 0));
    EXPECT_EQ(AtCmdParamMt("AT OK\\t\t"), AtCmdParamMt("AT", "OK\t"));
    EXPECT_EQ(AtCmdParamMt("AT OK<CR> "), AtCmdParamMt("AT", "OK\r"));

    // The numbers are read as "%d" reads them: the leading number of the field counts.
    EXPECT_EQ(AtCmdParamMt("ATZ OK 250ms 30x"), AtCmdParamMt("ATZ", "OK", 250, 30));
    EXPECT_EQ(AtCmdParamMt("ATZ OK abc"), AtCmdParamMt("ATZ", "OK", 1000, 0));
    EXPECT_EQ(AtCmdParamMt("ATZ OK 200 abc"), AtCmdParamMt("ATZ", "OK", 200, 0));
    // A number too large for 32 bits is taken as the largest wait, not wrapped to a
    // negative one that would drop the line.
    EXPECT_EQ(AtCmdParamMt("ATZ OK 99999999999").answerWaitMs, 2147483647);
}

TEST(AtCmdParamMtLine, RejectsWhatIsNoCommand) {
    for (const char* line : {"A", "", "   ", "A\t", "ATZ \t", "ATZ OK 100 -5"}) {
        EXPECT_FALSE(AtCmdParamMt(line).isValid()) << line;
    }
    EXPECT_FALSE(AtCmdParamMt().isValid());
    EXPECT_TRUE(AtCmdParamMt(" ;ATZ OK").isValid()) << "only a ';' in the first column comments";
    EXPECT_TRUE(AtCmdParamMt("ATZ OK 0 0").isValid());
}

TEST(AtCmdParamMtLine, DecodesCEscapesInOrderThenLineBreakNames) {
    EXPECT_EQ(AtCmdParamMt("a\\a\\b\\f\\n\\r\\t\\v b\\\\\\'\\\"\\?").command, "a\a\b\f\n\r\t\v");
    EXPECT_EQ(AtCmdParamMt("a\\a\\b\\f\\n\\r\\t\\v b\\\\\\'\\\"\\?").answer, "b\\'\"?");
    // Each escape runs over the whole text before the next: a doubled backslash before n is
    // taken apart by the \n pass first.
    EXPECT_EQ(AtCmdParamMt("x\\\\n OK").command, "x\\\n");
    EXPECT_EQ(AtCmdParamMt("x\\\\r OK").command, "x\\\r");
    EXPECT_EQ(AtCmdParamMt("x\\\\q OK").command, "x\\q");
    EXPECT_EQ(AtCmdParamMt("AT\\x OK").command, "AT\\x") << "unknown escapes stay";
    // Line-break names come after the C escapes, in both letter cases but not mixed.
    EXPECT_EQ(AtCmdParamMt("AT<cr><lf> <Cr>OK").command, "AT\r\n");
    EXPECT_EQ(AtCmdParamMt("AT<cr><lf> <Cr>OK").answer, "<Cr>OK");
    EXPECT_EQ(AtCmdParamMt("AT\\r<LF> OK").command, "AT\r\n");
}

TEST(AtCmdParamMtText, WritesEscapedCommandAndAnswerOnly) {
    EXPECT_EQ(AtCmdParamMt("AT\r", "\r\nOK\r\n", 500, 100).toText(), "AT<CR> <CR><LF>OK<CR><LF>");

    const AtCmdParamMt back(AtCmdParamMt("AT\r", "\r\nOK\r\n", 500, 100).toText());
    EXPECT_EQ(back, AtCmdParamMt("AT\r", "\r\nOK\r\n", 1000, 0));
    // A tab that ends the answer would be taken for an editor's leftover.
    EXPECT_EQ(AtCmdParamMt(AtCmdParamMt("A\tT", "O\tK\t").toText()),
              AtCmdParamMt("A\tT", "O\tK\t"));

    const AtCmdParamMt longOne(std::string(600, 'C'), std::string(600, 'A'));
    const std::string text = longOne.toText();
    ASSERT_EQ(text.size(), 999u);
    EXPECT_EQ(text.substr(598, 4), "CC A");
}

// Which stored lines a search plan keeps is tested with the plan.
TEST(AtCmdParamMtList, SearchCommandsFromTheSettingsFollowTheListsRuleOnTrailingTabs) {
    AtCmdParamMtList list{AtCmdParamMt("OLD", "X")};
    parseCommandLines({"AT<CR> <CR><LF>OK<CR><LF>\t", "bad"}, list);
    EXPECT_EQ(list, AtCmdParamMtList{AtCmdParamMt("AT\r", "\r\nOK\r\n")});
}
