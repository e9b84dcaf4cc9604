#include "modem/simple_at_cmd.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/msg_strings.h"
#include "tests/modem/at_cmd_probe.h"

namespace {

using modem_test::feed;

std::string bytesOf(const ATCmd& cmd) {
    return std::string(cmd.command_data(), cmd.command_size());
}

TEST(SimpleAtCmdLine, ExtendedFormCarriesPrefixNameAndParameter) {
    const SimpleAtCmd read{"CMGR", 7, 3, true, 1000};
    EXPECT_EQ(bytesOf(read), "AT+CMGR=7\r\n");
    EXPECT_EQ(read.answer_timeout(), 1000u);
    ASSERT_EQ(read.rules().size(), 2u);
    EXPECT_EQ(read.rules()[0].text, "OK");
    EXPECT_TRUE(read.rules()[0].success);
    EXPECT_EQ(read.rules()[1].text, "ERROR");
    EXPECT_FALSE(read.rules()[1].success);
    EXPECT_FALSE(read.is_complete());

    EXPECT_EQ(bytesOf(SimpleAtCmd{"CSQ", "", 0, true, 1000}), "AT+CSQ\r\n");
    EXPECT_EQ(bytesOf(SimpleAtCmd{"CPMS", "\"SM\"", 6, true, 1000}), "AT+CPMS=\"SM\"\r\n");
    EXPECT_EQ(bytesOf(SimpleAtCmd{"CMGD", -1, 0, true, 1000}), "AT+CMGD=-1\r\n");
    EXPECT_EQ(bytesOf(SimpleAtCmd{"CMGD", 0, 0, true, 1000}), "AT+CMGD=0\r\n");
}

TEST(SimpleAtCmdLine, PlainFormSendsTheNameAloneWithALineEnd) {
    EXPECT_EQ(bytesOf(SimpleAtCmd{"AT&F", "5", 0, false, 1000}), "AT&F\r\n");
    EXPECT_EQ(bytesOf(SimpleAtCmd{"ATI", "", 0, false, 1000}), "ATI\r\n");
}

TEST(SimpleAtCmdLine, EmptyNameSendsNothingButStillWaitsForAResult) {
    SimpleAtCmd listen{"", "ignored", 0, true, 300};
    EXPECT_EQ(listen.command_size(), 0u);
    EXPECT_EQ(listen.answer_timeout(), 300u);
    EXPECT_FALSE(listen.is_complete());
    feed(listen, {"\r\nOK\r\n"});
    EXPECT_TRUE(listen.result());
}

class ParseAnswer : public ::testing::Test {
protected:
    SimpleAtCmd cmgr{"CMGR", 1, 3, true, 1000};
    Msg::Strings values;
};

TEST_F(ParseAnswer, InformationLineUpToTheTerminatorGivesTheValues) {
    const std::string answer =
        "\r\n+CMGR: 0,,23\r\n07919730071111F1040B919701119905F80000211062\r\n\r\nOK\r\n";
    ASSERT_TRUE(cmgr.parse_answer(answer, "OK", values));
    EXPECT_EQ(values, (Msg::Strings{"0", "", "23  07919730071111F1040B919701119905F80000211062"}));

    ASSERT_TRUE(cmgr.parse_answer(" \r\n+CMGR:1,2\r\nERROR\r\n", "ERROR", values));
    EXPECT_EQ(values, (Msg::Strings{"1", "2"})) << "values are replaced, not appended";
}

TEST_F(ParseAnswer, AnswerMustOpenWithThisCommandsInformationLine) {
    values = {"stale"};
    EXPECT_FALSE(cmgr.parse_answer("\r\nOK\r\n", "OK", values));
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(cmgr.parse_answer("AT+CMGR=1\r\r\n+CMGR: 0,,23\r\nOK\r\n", "OK", values));
    EXPECT_TRUE(values.empty());
    EXPECT_FALSE(cmgr.parse_answer("\r\n+CMGL: 0,,23\r\nOK\r\n", "OK", values));
    EXPECT_FALSE(cmgr.parse_answer("\r\n+CMGR 0,,23\r\nOK\r\n", "OK", values));
    EXPECT_FALSE(cmgr.parse_answer("\r\n \r\n", "OK", values));
    EXPECT_FALSE(cmgr.parse_answer("", "OK", values));
    EXPECT_TRUE(values.empty());
}

TEST_F(ParseAnswer, MissingTerminatorGivesOneEmptyValue) {
    ASSERT_TRUE(cmgr.parse_answer("+CMGR: 0,,23\r\n", "OK", values));
    EXPECT_EQ(values, (Msg::Strings{""}));
}

// How a reading command uses the parser: with the text of the rule that ended the wait.
class StorageQuery : public SimpleAtCmd {
public:
    StorageQuery() : SimpleAtCmd{"CPMS", "\"SM\"", 6, true, 1000} {}

    void on_complete(const std::string& full_answer, bool result,
                     const std::string& result_reason) override {
        parsed = result && parse_answer(full_answer, result_reason, values) &&
                 static_cast<int>(values.size()) >= min_fields();
    }

    bool parsed = false;
    Msg::Strings values;
};

TEST(SimpleAtCmdCompletion, MatchedRuleTextBoundsTheParsedValues) {
    StorageQuery query;
    feed(query, {"\r\n+CPMS: 2,30,", "2,30,2,30\r\n\r\nOK\r\n"});
    EXPECT_TRUE(query.is_complete());
    EXPECT_TRUE(query.parsed);
    EXPECT_EQ(query.values, (Msg::Strings{"2", "30", "2", "30", "2", "30"}));

    StorageQuery refused;
    feed(refused, {"\r\n+CMS ERROR: 302\r\n", "ERROR\r\n"});
    EXPECT_TRUE(refused.is_complete());
    EXPECT_FALSE(refused.result());
    EXPECT_FALSE(refused.parsed);
}

}  // namespace
