#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/junit_report.h"
#include "cli/list_choice.h"
#include "cli/run_options.h"
#include "platform/cp1251.h"

using namespace platform::literals;

TEST(RunOptions, ReadsEveryOptionAndRefusesWhatItDoesNotKnow) {
    std::string error;
    const auto options = parseRunOptions(
        {"--list", "gsm", "--repeat", "0", "--exchange", "--junit", "r.xml"}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->list, "gsm");
    EXPECT_EQ(options->repeat, 0);
    EXPECT_TRUE(options->exchange);
    EXPECT_EQ(options->junitFile, "r.xml");
    EXPECT_EQ(parseRunOptions({}, error)->repeat, 1);
    EXPECT_TRUE(parseRunOptions({"--ports", "--help"}, error)->ports);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bogus"},
                                                {"--repeat", "-1"},
                                                {"--repeat", "2x"},
                                                {"--list"},
                                                {"--junit", ""},
                                                {"--ports", "--exchange"},
                                                {"--list", "x", "--ports"}}) {
        error.clear();
        EXPECT_FALSE(parseRunOptions(bad, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(ListChoice, PrefersTheRequestedThenTheStoredThenTheFirstList) {
    const FilesList titles = {"basic", "gsm", "Проверка", "café"};
    EXPECT_EQ(chooseCommandList(titles, std::string("gsm"), "basic"), "gsm");
    EXPECT_EQ(chooseCommandList(titles, std::string("GSM"), ""), "gsm");
    EXPECT_EQ(chooseCommandList(titles, std::string("ПРОВЕРКА"), ""), "Проверка");
    EXPECT_EQ(chooseCommandList(titles, std::string("café"), ""), "café");
    EXPECT_FALSE(chooseCommandList(titles, std::string("cafè"), ""));  // "caf?" in 1251 too
    EXPECT_EQ(chooseCommandList(titles, std::nullopt, "café"), "café");
    EXPECT_EQ(chooseCommandList(titles, std::nullopt, "gsm"), "gsm");
    EXPECT_EQ(chooseCommandList(titles, std::nullopt, "GSM"), "basic");  // stored: exact only
    EXPECT_EQ(chooseCommandList({}, std::nullopt, "gsm"), "");
    EXPECT_FALSE(chooseCommandList(titles, std::string("none"), ""));
    EXPECT_FALSE(chooseCommandList(titles, std::string("../cfg/gsm"), ""));
}

TEST(JunitReport, EscapesWhatXmlCannotCarry) {
    JunitReport report;
    report.beginRun("list");
    report.add({"AT\r", "", CommandResult::Outcome::Ok, 61, {}});
    report.add(
        {"AT&V\r", std::string("<\"x\">\0\x01", 7), CommandResult::Outcome::Failed, 1000, {}});
    report.add({"ATI\r", "", CommandResult::Outcome::PortError, 5,
                std::string("Ошибка при чтении из порта "_cp1251) + "Input/output error"});
    // A flood's answer: its first part, the line for what was left out, its last part.
    report.add({"AT\r",
                std::string(KeptAnswer::kHeadBytes, 'h') + "tail",
                CommandResult::Outcome::Failed,
                0,
                {},
                123456});
    report.endRun("done", false);
    const std::string xml = report.xml();
    EXPECT_NE(xml.find("hh\n&lt;&lt;- пропущено 123456 байт\ntail</failure>"), std::string::npos);
    EXPECT_NE(xml.find("tests=\"4\" failures=\"2\" errors=\"1\" time=\"1.066\""),
              std::string::npos);
    EXPECT_NE(xml.find("name=\"AT&amp;V&lt;CR&gt;\" time=\"1.000\""), std::string::npos);
    EXPECT_NE(xml.find("&lt;&quot;x&quot;&gt;\\x00\\x01</failure>"), std::string::npos);
    EXPECT_NE(xml.find("<error message=\"port error\">Ошибка при чтении из порта "),
              std::string::npos);
}
