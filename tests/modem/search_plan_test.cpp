#include "modem/search_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "modem/port_finder_ext.h"
#include "modem/search_settings.h"
#include "platform/cp1251.h"
#include "tests/modem/at_cmd_probe.h"
#include "tests/modem/finder_support.h"
#include "tests/support/debug_capture.h"

using namespace platform::literals;
using modem_test::commandBytes;

namespace {

std::vector<std::int32_t> ratesOf(const BaudrateParams& list) {
    std::vector<std::int32_t> out;
    for (const BaudrateParam& entry : list) {
        out.push_back(entry.baudRate);
    }
    return out;
}

std::vector<std::string> ruleTexts(const AdjustedAtCmd& command) {
    std::vector<std::string> out;
    for (const ATCmd::CompleteRule& rule : command.rules()) {
        EXPECT_TRUE(rule.success);
        out.push_back(rule.text);
    }
    return out;
}

AtCmdParamMtList paramsOf(const std::vector<std::string>& lines) {
    AtCmdParamMtList out;
    parseCommandLines(lines, out);
    return out;
}

}  // namespace

TEST(SearchPortOrder, ParsesComNamesThenSortsAndPutsTheLastPortFirst) {
    PortNumbers listed;
    port_numbers_from_names({"COM3", "COM1", "COM10", "CNCA0", "com4", "COM", "COM-2"}, listed);
    EXPECT_EQ(listed, (PortNumbers{3, 1, 10}));  // as listed: nothing sorted yet

    struct Case {
        PortNumbers ports;
        std::int32_t last;
        bool onlyOne;
        PortNumbers expected;
    };
    for (Case c : std::vector<Case>{
             {listed, 0, false, {1, 3, 10}},
             {listed, 3, false, {3, 1, 10}},
             {listed, 7, false, {7, 1, 3, 10}},  // tried even though the machine did not list it
             {listed, 3, true, {3}},
             {listed, 0, true, {1, 3, 10}},  // no last port: the single-port option cannot apply
             {{}, 5, true, {5}}}) {
        order_ports(c.ports, c.last, c.onlyOne);
        EXPECT_EQ(c.ports, c.expected) << c.last << " " << c.onlyOne;
    }
}

TEST(SearchBaudOrder, TheLastRateMovesToTheFrontAndStaysThereForLaterSearches) {
    finder_test::LinkedPortsFolder folder;  // no ports at all
    finder_test::RecordingViewer viewer;
    PortFinderExt finder;
    finder.set_serial_roots(folder.roots());
    finder.set_viewer(&viewer);

    using Rates = std::vector<std::int32_t>;
    EXPECT_FALSE(finder.find(0, 2400));
    EXPECT_EQ(ratesOf(finder.baud_list()),
              (Rates{2400, 115200, 9600, 57600, 38400, 19200, 4800, 1200, 300}));
    EXPECT_FALSE(finder.find(0, 9600));
    const Rates after{9600, 2400, 115200, 57600, 38400, 19200, 4800, 1200, 300};
    EXPECT_EQ(ratesOf(finder.baud_list()), after);
    EXPECT_FALSE(finder.find(0, 14400));  // not in the list: nothing moves
    EXPECT_EQ(ratesOf(finder.baud_list()), after);
    EXPECT_TRUE(viewer.calls().empty());  // nothing to try, nothing to say

    BaudrateParams list{{300, 50}, {2400, 700}, {2400, 900}};
    move_baud_first(list, 2400);  // the first match moves, with its own wait
    EXPECT_EQ(list, (BaudrateParams{{2400, 700}, {300, 50}, {2400, 900}}));
}

TEST(SearchBaudOrder, AnEmptyListIsRefusedAndTheFinderTracesItsEnd) {
    testsupport::DebugCapture trace;
    finder_test::RecordingViewer viewer;
    {
        PortFinderExt finder;
        const BaudrateParams before = finder.baud_list();
        BaudrateParams blank;
        baud_list_from_text("   ", blank);
        finder.set_baud_list(blank);  // seen by nobody: the do-nothing viewer is in place
        finder.set_viewer(&viewer);
        finder.set_baud_list(blank);
        EXPECT_EQ(finder.baud_list(), before);
        EXPECT_EQ(viewer.calls(),
                  (std::vector<finder_test::RecordingViewer::Call>{
                      {std::string("Ошибка: пустой список скоростей модема"_cp1251), true}}));

        finder.set_viewer(nullptr);  // no viewer is no viewer, not a crash
        finder.set_baud_list({});
    }
    EXPECT_EQ(viewer.calls().size(), 1u);
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"PortFinderExt::~. entry", "PortFinderExt::~. quit"}));
}

// The default plan at work (AT, text or numeric OK, all ports at once) is in the search tests.
TEST(SearchCommands, TheDefaultPlanIsStoredAsText) {
    PortFinderExt finder;
    SearchSettings settings;
    settings.onlyOnePort = true;
    apply_search_settings(finder, settings);
    EXPECT_TRUE(finder.only_one_port());
    EXPECT_EQ(settings.baudListText,
              "115200-1000 9600-1000 57600-1000 38400-1000 19200-1000 4800-1000 2400-1000 "
              "1200-1000 300-1000");
    EXPECT_EQ(settings.searchLines, (Msg::Strings{"AT<CR> <CR><LF>OK<CR><LF>", "AT<CR> 0<CR>"}));
    EXPECT_EQ(finder.baud_list(), default_baud_list());
    EXPECT_EQ(finder.search_command_params(), default_search_command_params());
}

TEST(SearchCommands, LinesWithTheSameCommandMergeAndAnEmptyListIsWarnedAbout) {
    finder_test::RecordingViewer viewer;
    PortFinderExt finder;
    finder.set_viewer(&viewer);

    const AtCmdParamMtList lines = paramsOf({"AT<CR> OK", "AT<CR> 0<CR>", "ATI<CR> OK"});
    finder.set_search_commands(lines);
    EXPECT_EQ(finder.search_command_params(), lines);
    ASSERT_EQ(finder.search_commands().size(), 2u);
    EXPECT_EQ(commandBytes(finder.search_commands()[0]), "AT\r");
    EXPECT_EQ(ruleTexts(finder.search_commands()[0]), (std::vector<std::string>{"OK", "0\r"}));
    EXPECT_EQ(commandBytes(finder.search_commands()[1]), "ATI\r");
    EXPECT_EQ(ruleTexts(finder.search_commands()[1]), std::vector<std::string>{"OK"});
    EXPECT_TRUE(viewer.calls().empty());

    // "AT" and "AT" CR are different bytes to send.
    finder.set_search_commands(paramsOf({"AT OK", "AT<CR> OK"}));
    EXPECT_EQ(finder.search_commands().size(), 2u);

    finder.set_search_commands({});
    EXPECT_TRUE(finder.search_commands().empty());
    EXPECT_TRUE(finder.search_command_params().empty());
    EXPECT_EQ(viewer.calls(),
              (std::vector<finder_test::RecordingViewer::Call>{
                  {std::string("Внимание: пустой список команд поиска модема"_cp1251), true}}));
}

TEST(SearchSettingsApplied, StoredTextsReplaceThePlanAndUnusableOnesLeaveIt) {
    PortFinderExt finder;
    SearchSettings stored{
        false, true, "abc 4800-500 9600", {"ATZ<CR> OK", "; a note", "ATZ<CR> 0<CR>"}};
    apply_search_settings(finder, stored);
    EXPECT_TRUE(finder.one_port_at_a_time());
    EXPECT_EQ(finder.baud_list(), (BaudrateParams{{4800, 500}, {9600, 1000}}));
    ASSERT_EQ(finder.search_commands().size(), 1u);
    EXPECT_EQ(commandBytes(finder.search_commands()[0]), "ATZ\r");
    EXPECT_EQ(ruleTexts(finder.search_commands()[0]), (std::vector<std::string>{"OK", "0\r"}));
    EXPECT_EQ(stored.baudListText, "abc 4800-500 9600");  // what is stored stays as typed
    EXPECT_EQ(stored.searchLines.size(), 3u);

    PortFinderExt fresh;
    SearchSettings unusable{false, false, "  ", {"x"}};
    apply_search_settings(fresh, unusable);
    EXPECT_EQ(fresh.baud_list(), default_baud_list());
    EXPECT_TRUE(fresh.search_commands().empty());  // a stored list of nothing is obeyed
    EXPECT_EQ(unusable.baudListText, "  ");
}
